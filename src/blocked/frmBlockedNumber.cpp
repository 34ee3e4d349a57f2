#include "frmBlockedNumber.h"

#include "BlockedFile.h"
#include "CallView.h"
#include "DataFiles.h"
#include "DeleteKey.h"
#include "Twips.h"
#include "WindowColor.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace {

constexpr int ClientWidth = 5400;
constexpr int ClientHeight = 3600;
constexpr int ListWidth = 5160;

} // namespace

frmBlockedNumber::frmBlockedNumber(DataFiles &files, CallView &view, BlockedFile &file, QWidget *parent)
    : Form(parent), m_files(files), m_view(view), m_file(file)
{
    setObjectName(QStringLiteral("frmBlockedNumber"));
    setWindowTitle(QStringLiteral("UnBlock Phone Number"));
    buildControls();
    Form_Load();
}

void frmBlockedNumber::buildControls()
{
    setFixedSize(twips(ClientWidth), twips(ClientHeight));
    setMouseTracking(true); // the list takes the keys when the mouse comes over the window
    ListView2 = new QTreeWidget(this);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setToolTip(QStringLiteral("Blocked Number List"));
    ListView2->setGeometry(twipsRect(120, 120, ListWidth, 2800));
    ListView2->setRootIsDecorated(false);
    ListView2->setAllColumnsShowFocus(true);
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView2->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView2->setHeaderLabels({QStringLiteral("Blocked Number"), QStringLiteral("Blocked Name")});
    // Each column's width is the list's width divided by its number.
    ListView2->setColumnWidth(0, int(twips(ListWidth) / 2.35));
    ListView2->setColumnWidth(1, int(twips(ListWidth) / 1.8));

    cmdDeleteBlockedNumber = new QPushButton(QStringLiteral("UnBloc&k"), this);
    cmdDeleteBlockedNumber->setObjectName(QStringLiteral("cmdDeleteBlockedNumber"));
    cmdDeleteBlockedNumber->setToolTip(QStringLiteral("Unblock the highlighted Numbers"));
    cmdDeleteBlockedNumber->setGeometry(twipsRect(2100, 3060, 1200, 375));

    mnuFile3 = new QMenu(QStringLiteral("File3"), this);
    mnuFile3->setObjectName(QStringLiteral("mnuFile3"));
    mnuUnblockNumber = mnuFile3->addAction(QStringLiteral("UnBlock Number"));
    mnuUnblockNumber->setObjectName(QStringLiteral("mnuUnblockNumber"));
    auto *deleteKey = new DeleteKey(ListView2);

    connect(cmdDeleteBlockedNumber, &QPushButton::clicked, this, &frmBlockedNumber::DeleteBlockedNumber);
    connect(mnuUnblockNumber, &QAction::triggered, this, &frmBlockedNumber::DeleteBlockedNumber);
    connect(deleteKey, &DeleteKey::pressed, this, &frmBlockedNumber::DeleteBlockedNumber);
    connect(ListView2, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { itemClick(ListView2->indexOfTopLevelItem(item)); });
    connect(ListView2, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        if (ListView2->topLevelItemCount() > 0)
            mnuFile3->popup(ListView2->viewport()->mapToGlobal(at));
    });
}

void frmBlockedNumber::Form_Load()
{
    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());
    // Beside the main window, level with its display.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        const QWidget *main = parentWidget();
        const int mainWidth = main ? main->frameGeometry().width() : 0;
        const int mainTop = main ? main->frameGeometry().top() : s.top();
        move(s.left() + (s.width() - mainWidth) / 2 + mainWidth, mainTop + twips(1650));
    }
    QString error;
    if (!LoadBlockedList(&error))
        reportWriteFailure(m_file.path(), error);
}

void frmBlockedNumber::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}

bool frmBlockedNumber::LoadBlockedList(QString *error)
{
    // A marker left by an unblocking that was cut short goes here, before anything is listed.
    const bool compacted = m_file.compact(error);
    ListView2->clear();
    for (const BlockedFile::Entry &e : m_file.readEntries())
        ListView2->addTopLevelItem(new QTreeWidgetItem({e.number, e.name}));
    return compacted;
}

void frmBlockedNumber::itemClick(int row)
{
    if (row >= 0)
        m_clickedItem = row + 1;
}

void frmBlockedNumber::DeleteBlockedNumber()
{
    if (ListView2->topLevelItemCount() == 0 || m_clickedItem == 0)
        return;
    QStringList numbers;
    for (int i = 0; i < ListView2->topLevelItemCount(); ++i) {
        if (ListView2->topLevelItem(i)->isSelected())
            numbers << ListView2->topLevelItem(i)->text(0);
    }
    if (numbers.isEmpty())
        return;
    // Found first, marked after: two lines with the same number resolve to the same entry.
    QList<int> records;
    for (const QString &n : std::as_const(numbers)) {
        const int rec = m_file.findRecord(n);
        if (rec > 0 && !records.contains(rec))
            records << rec;
    }
    QString error;
    bool written = true;
    for (int rec : std::as_const(records)) {
        if (!m_file.writeDeletionMarker(rec, &error)) {
            written = false;
            break;
        }
    }
    QString compactError;
    if (!LoadBlockedList(&compactError) && written) {
        written = false;
        error = compactError;
    }
    m_clickedItem = 0;
    if (!written)
        reportWriteFailure(m_file.path(), error);
}

void frmBlockedNumber::mouseMoveEvent(QMouseEvent *event)
{
    // The mouse over the window, outside the list: the keys go to the list again, so that
    // Delete reaches the selected entries whatever button had the focus.
    const QList<QTreeWidgetItem *> selected = ListView2->selectedItems();
    if (!selected.isEmpty() && !selected.first()->text(0).isEmpty())
        ListView2->setFocus();
    Form::mouseMoveEvent(event);
}
