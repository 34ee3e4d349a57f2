#include "frmListView.h"

#include "CallDeletion.h"
#include "CallExport.h"
#include "CallLog.h"
#include "CallLogFilter.h"
#include "CallView.h"
#include "CallerRules.h"
#include "DataFiles.h"
#include "DeleteKey.h"
#include "LogBrowser.h"
#include "MsgBox.h"
#include "Screening.h"
#include "Twips.h"
#include "WindowColor.h"

#include <QAction>
#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTreeView>

namespace {

constexpr int ClientWidth = 9600;
constexpr int ClientHeight = 4320;
constexpr int ListWidth = 9360;
// The Refused column comes after those six: the window is wider by it, so that it is seen without
// scrolling.
constexpr int RefusedWidth = 1800;

// Each column's width is the list's width divided by its number.
constexpr double WidthDivisors[6] = {13.17, 3.7, 3.91, 7.2, 8.1, 11.05};

// Why the calls of the log were refused, where the screening store knows it.
CallExport::Reasons knownReasons()
{
    Screening *screening = Screening::current();
    return screening && screening->store().isOpen() ? screening->store().refusalReasons() : CallExport::Reasons();
}

// A refused call's line in dark red, its tip saying why.
class MarkedCallLogFilter : public CallLogFilter {
public:
    using CallLogFilter::CallLogFilter;
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole && !CallLogFilter::data(index, Qt::ToolTipRole).isNull())
            return QColor(0xa0, 0, 0);
        return CallLogFilter::data(index, role);
    }
};

} // namespace

frmListView::frmListView(DataFiles &files, CallView &view, CallLog &log, LogBrowser &browser, QWidget *parent)
    : Form(parent), m_files(files), m_view(view), m_log(log), m_browser(browser)
{
    setObjectName(QStringLiteral("frmListView"));
    setWindowTitle(QStringLiteral("Calls Log List"));
    buildControls();
    Form_Load();
}

void frmListView::buildControls()
{
    setFixedSize(twips(ClientWidth + RefusedWidth), twips(ClientHeight));
    setMouseTracking(true); // the list takes the keys when the mouse comes over the window
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setToolTip(QStringLiteral("Calls Log"));
    ListView1->setGeometry(twipsRect(120, 120, ListWidth + RefusedWidth, 3500));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true); // a log of thousands of calls scrolls smoothly
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    // The search shows the rows it leaves in the log's own order: the columns sort the log's rows.
    m_filter = new MarkedCallLogFilter(this);
    m_filter->setSourceModel(&m_log.model());
    ListView1->setModel(m_filter);
    ListView1->header()->setSectionsClickable(true);
    // The arrow shows the order the rows are in, also after a call or a reload sorted them
    // newest first again.
    ListView1->header()->setSortIndicatorShown(true);
    showSortArrow(m_log.model().sortColumn(), m_log.model().sortAscending());
    connect(&m_log.model(), &CallLogModel::sorted, this, &frmListView::showSortArrow);
    // After the call that added the rows has stored why it was refused.
    connect(&m_log.model(), &CallLogModel::rowsInserted, this, &frmListView::showRefusalsSoon);

    cmdDeleteList = new QPushButton(QStringLiteral("Delete L&ist"), this);
    cmdDeleteList->setObjectName(QStringLiteral("cmdDeleteList"));
    cmdDeleteList->setToolTip(QStringLiteral("Delete the selected Calls"));
    cmdDeleteList->setGeometry(twipsRect(3000, 3800, 1500, 375));
    cmdClearList = new QPushButton(QStringLiteral("Cle&ar List"), this);
    cmdClearList->setObjectName(QStringLiteral("cmdClearList"));
    cmdClearList->setToolTip(QStringLiteral("Clear the List temporarily "));
    cmdClearList->setGeometry(twipsRect(5100, 3800, 1500, 375));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    txtSearch->setPlaceholderText(QStringLiteral("Search name or number"));
    txtSearch->setToolTip(QStringLiteral("Show only the Calls whose name or number holds this text (Ctrl+F)"));
    txtSearch->setClearButtonEnabled(true);
    txtSearch->setGeometry(twipsRect(120, 3810, 2640, 355));
    cmdExport = new QPushButton(QStringLiteral("E&xport..."), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdExport->setToolTip(QStringLiteral("Save the Calls Log as a CSV file"));
    cmdExport->setGeometry(twipsRect(7200, 3800, 1500, 375));
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        txtSearch->setFocus(Qt::ShortcutFocusReason);
        txtSearch->selectAll();
    });
    connect(txtSearch, &QLineEdit::textChanged, m_filter, &CallLogFilter::setSearch);
    connect(cmdExport, &QPushButton::clicked, this, &frmListView::cmdExport_Click);

    mnuFile2 = new QMenu(QStringLiteral("File2"), this);
    mnuFile2->setObjectName(QStringLiteral("mnuFile2"));
    mnuDeleteList = mnuFile2->addAction(QStringLiteral("Delete from Calls Log"));
    mnuDeleteList->setObjectName(QStringLiteral("mnuDeleteList"));
    m_screeningSeparator = mnuFile2->addSeparator();
    // As many entries as a call can have offered (its number: block, allow, two starts, name).
    for (int i = 0; i < 5; ++i) {
        QAction *a = mnuFile2->addAction(QString());
        a->setObjectName(QStringLiteral("mnuScreening%1").arg(i + 1));
        connect(a, &QAction::triggered, this, [this, i] { screenCaller(i); });
        screeningActions << a;
    }
    auto *deleteKey = new DeleteKey(ListView1);

    connect(cmdDeleteList, &QPushButton::clicked, this, &frmListView::DeleteList);
    connect(mnuDeleteList, &QAction::triggered, this, &frmListView::DeleteList);
    connect(deleteKey, &DeleteKey::pressed, this, &frmListView::DeleteList);
    connect(cmdClearList, &QPushButton::clicked, this, &frmListView::cmdClearList_Click);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, [this](int c) { columnClick(c + 1); });
    connect(ListView1, &QTreeView::clicked, this, [this](const QModelIndex &i) { itemClick(i.row()); });
    connect(ListView1, &QTreeView::customContextMenuRequested, this, [this](const QPoint &at) {
        if (m_filter->rowCount() == 0)
            return;
        prepareMenu(ListView1->indexAt(at).row());
        mnuFile2->popup(ListView1->viewport()->mapToGlobal(at));
    });
}

void frmListView::Form_Load()
{
    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());
    placeBelowMainWindow();
    showRefusalsSoon();
    const int listWidth = twips(ListWidth);
    for (int c = 0; c < 6; ++c)
        ListView1->setColumnWidth(c, int(listWidth / WidthDivisors[c]));
    ListView1->setColumnWidth(CallLogModel::RefusedColumn - 1, twips(RefusedWidth));
}

void frmListView::placeBelowMainWindow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect s = screen->geometry();
    const int mainHeight = parentWidget() ? parentWidget()->frameGeometry().height() : 0;
    move(s.left() + (s.width() - frameGeometry().width()) / 2,
         s.top() + mainHeight + int((s.height() - mainHeight) / 4.5));
}

void frmListView::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}

int frmListView::logRow(int shownRow) const
{
    return m_filter->mapToSource(m_filter->index(shownRow, 0)).row();
}

void frmListView::itemClick(int row)
{
    if (row < 0 || row >= m_filter->rowCount())
        return;
    m_clickedItem = row + 1;
    // The call numbers run 1, 2, 3 ... in file order, so a call's number is its place in the
    // list; the browser steps one down from the position given.
    m_view.LogPosition = m_log.model().row(logRow(row)).at(0).toInt() + 1;
    m_browser.GetFromLogTopToBottom();
}

void frmListView::columnClick(int column)
{
    if (column < 1 || column > CallLogModel::Columns)
        return;
    m_sortOrder[column] = !m_sortOrder[column];
    m_log.model().SortListView(column, column - 1, m_sortOrder[column]);
}

void frmListView::showSortArrow(int column, bool ascending)
{
    ListView1->header()->setSortIndicator(column - 1, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frmListView::cmdClearList_Click()
{
    // The table only: the log and the call list stay, and the next opening shows every call.
    m_log.model().clear();
}

void frmListView::DeleteList()
{
    if (m_filter->rowCount() == 0 || m_clickedItem == 0)
        return;
    // The question runs its own event loop: the main window may go to the tray meanwhile and
    // unload this window. Then nothing is deleted.
    const QPointer<frmListView> alive(this);
    const bool selectedBefore = ListView1->selectionModel()->hasSelection();
    const MsgAnswer answer = MsgBox(QStringLiteral("Are you sure you want to delete all selected Calls from List?"),
                                    MsgStyle::InfoYesNo, QStringLiteral("Delete Calls Log"));
    if (!alive)
        return;
    if (answer != vbYes) {
        m_clickedItem = 0;
        return;
    }
    // Read after the question: a call that ended while it was open may have moved the lines
    // (the selection moves with them).
    QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        // The log was reloaded while the question was open and the selection went with it. Yes
        // must not pass for done: the user learns that nothing was deleted.
        m_clickedItem = 0;
        if (selectedBefore)
            MsgBox(crLines({QStringLiteral("No Calls were deleted: the Calls Log was reloaded while the question "
                                           "was open."),
                            QStringLiteral("Please select the Calls again.")}),
                   MsgStyle::Information, QStringLiteral("Delete Calls Log"));
        return;
    }
    // The lines shown and selected, and only those: a line the search hides is never selected.
    QList<int> rows;
    for (const QModelIndex &i : std::as_const(selected))
        rows << m_filter->mapToSource(i).row();
    std::sort(rows.begin(), rows.end());
    QStringList numbers;
    for (int r : std::as_const(rows))
        numbers << m_log.model().row(r).at(0);

    QString error;
    const bool marked = markCallsDeleted(m_log.file(), numbers, &error);
    const QString path = m_log.file().path();
    m_clickedItem = 0;
    // Reloaded also after a failed marker: the calls marked before it are gone for good, and
    // the table must show what the file holds. (A box of the reload may see this window go.)
    if (displayList)
        displayList();
    if (!marked)
        reportWriteFailure(path, error);
}

void frmListView::cmdExport_Click()
{
    // The file dialog runs its own event loop: the window may be unloaded meanwhile.
    const QPointer<frmListView> alive(this);
    QString target;
    if (chooseExportFile) {
        target = chooseExportFile();
    } else {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        target = QFileDialog::getSaveFileName(this, QStringLiteral("Export Calls Log"),
                                              QDir(documents).filePath(QStringLiteral("calls.csv")),
                                              QStringLiteral("CSV files (*.csv);;All files (*)"));
    }
    if (!alive || target.isEmpty())
        return;
    QString error;
    if (!CallExport::writeFile(m_log.file().path(), m_files.file(RefusedCalls::fileName()), target, &error,
                               knownReasons()))
        reportWriteFailure(target, error);
}

void frmListView::showRefusals()
{
    m_refusalsDue = false;
    m_log.model().setRefusals(
        RefusedCalls::Column(RefusedCalls::read(m_files.file(RefusedCalls::fileName())), knownReasons()));
}

void frmListView::showRefusalsSoon()
{
    if (m_refusalsDue)
        return;
    m_refusalsDue = true;
    QMetaObject::invokeMethod(this, &frmListView::showRefusals, Qt::QueuedConnection);
}

void frmListView::prepareMenu(int row)
{
    m_menuNumber.clear();
    m_menuName.clear();
    if (row >= 0 && row < m_filter->rowCount()) {
        const CallLogModel::Row &call = m_log.model().row(logRow(row));
        m_menuName = call.at(1);
        m_menuNumber = call.at(2);
    }
    const QList<CallerRules::Offer> offers =
        row >= 0 ? CallerRules::offersFor(m_menuNumber, m_menuName) : QList<CallerRules::Offer>();
    // Without a usable store nothing can be stored: the entries are there, greyed.
    Screening *screening = Screening::current();
    const bool usable = screening && screening->store().isOpen();
    for (int i = 0; i < screeningActions.size(); ++i) {
        QAction *a = screeningActions.at(i);
        a->setVisible(i < offers.size());
        if (i < offers.size()) {
            a->setText(offers.at(i).label);
            a->setEnabled(usable);
            a->setToolTip(usable ? QString() : QStringLiteral("The screening rules cannot be stored"));
        }
    }
    m_screeningSeparator->setVisible(!offers.isEmpty());
}

void frmListView::screenCaller(int offer)
{
    const QList<CallerRules::Offer> offers = CallerRules::offersFor(m_menuNumber, m_menuName);
    Screening *screening = Screening::current();
    if (offer < 0 || offer >= offers.size() || !screening)
        return;
    const QString title = QStringLiteral("Call Screening");
    if (!screening->store().isOpen()) {
        MsgBox(screening->problem(), MsgStyle::Exclamation, title);
        return;
    }
    const CallerRules::Offer chosen = offers.at(offer);
    const QString number = m_menuNumber, name = m_menuName;
    QString alias;
    if (chosen.kind == CallerRules::Offer::NameCaller) {
        // The box runs its own event loop: the window may be unloaded meanwhile.
        const QPointer<frmListView> alive(this);
        std::optional<QString> asked;
        if (askCallerName) {
            asked = askCallerName(number);
        } else {
            bool ok = false;
            const QString text = QInputDialog::getText(
                this, QStringLiteral("Name this caller"),
                QStringLiteral("The name to show for %1 (empty: the name the call sends):").arg(number),
                QLineEdit::Normal, screening->rules().aliasOf(number), &ok);
            if (ok)
                asked = text;
        }
        if (!alive || !asked)
            return;
        alias = *asked;
    }
    QString message;
    const bool named = !screening->rules().aliasOf(number).isEmpty();
    const bool ok = CallerRules::apply(*screening, chosen, number, name, alias, &message);
    if (ok && ruleStored) {
        if (const QString request = CallerRules::requestFor(chosen, number, name, alias, named); !request.isEmpty())
            ruleStored(request);
    }
    MsgBox(message, ok ? MsgStyle::Information : MsgStyle::Exclamation, title);
}

void frmListView::mouseMoveEvent(QMouseEvent *event)
{
    // The mouse over the window, outside the list: the keys go to the list again, so that
    // Delete reaches the selected calls whatever button had the focus.
    if (m_filter->rowCount() > 0 && ListView1->selectionModel()->hasSelection())
        ListView1->setFocus();
    Form::mouseMoveEvent(event);
}
