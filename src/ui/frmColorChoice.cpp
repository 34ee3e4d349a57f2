#include "frmColorChoice.h"

#include "CallView.h"
#include "DataFiles.h"
#include "Twips.h"
#include "WindowColor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

const QList<frmColorChoice::Choice> &frmColorChoice::choices()
{
    // The tooltips are the program's own texts, trailing blanks and spelling included.
    static const QList<Choice> list = {
        {"cmdLightRed", 12632319, "Click here to get the light Red color "},
        {"cmdLightBLue", 16761024, "Click here to get the light Blue color "},
        {"cmdLightGreen", 12648384, "Click here to get the light Green color "},
        {"cmdLightYellow", 12648447, "Click here to get the light Yellow color "},
        {"cmdLightCyan", 16777152, "Click here to get the light cyan color "},
        {"cmdLightPurple", 16761087, "Click here to get the light Purple color "},
        {"cmdLightOrange", 12640511, "Click here to get the light Orange color"},
        {"cmdDarkBlue", 16744576, "Click here to get the dark Blue color "},
        {"cmdDarkGreen", 8454016, "Click here to get the dark Green color "},
        {"cmdDarkRed", 8421631, "Click here to get the dark Red color "},
        {"cmdDarkYellow", 8454143, "Click here to get the dark Yelow color "},
        {"cmdDarkCyan", 16776960, "Click here to get the dark Cyan color "},
        {"cmdDarkPurple", 16744703, "Click here to get the dark Purple color "},
        {"cmdDarkOrange", 8438015, "Click here to get the dark Orange color"},
    };
    return list;
}

frmColorChoice::frmColorChoice(DataFiles &files, CallView &view, QWidget *parent)
    : Form(parent), m_files(files), m_view(view)
{
    setObjectName(QStringLiteral("frmColorChoice"));
    setWindowTitle(QStringLiteral("Display Color Choice!"));
    Label2 = new QLabel(QStringLiteral("Select your choice of color to display Ringlark Talking Caller ID"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    // The swatches sit on the system colour: a swatch of the window colour would vanish.
    Frame1->setAutoFillBackground(true);
    auto *grid = new QGridLayout(Frame1);
    // Light colours on the first row, their dark companions below.
    for (int i = 0; i < choices().size(); ++i) {
        const Choice &c = choices().at(i);
        auto *b = new QPushButton(Frame1);
        b->setObjectName(QLatin1String(c.name));
        b->setToolTip(QString::fromLatin1(c.tip));
        b->setFixedSize(twips(480), twips(480));
        b->setFlat(true); // the face is the colour itself, not a shaded button
        ::setBackColor(b, c.color);
        grid->addWidget(b, i / 7, i % 7);
        buttons << b;
        const int color = c.color;
        connect(b, &QPushButton::clicked, this, [this, color] { colorClick(color); });
    }
    auto *all = new QVBoxLayout(this);
    all->addWidget(Label2);
    all->addWidget(Frame1);
    setFixedSize(sizeHint());

    // Loading: the main window stays up while the user chooses.
    m_view.Timer2.stop();
    if (m_files.settings.colorNumber() > 0)
        setBackColor(m_files.settings.colorNumber());
    m_colorBefore = m_files.settings.Color_Choice;
    move(0, 0);
}

void frmColorChoice::setBackColor(int bgr)
{
    setFormBackColor(this, bgr);
}

void frmColorChoice::colorClick(int color)
{
    m_files.settings.Color_Choice = QString::number(color);
    emit colorChosen(color);
    setBackColor(color);
}

void frmColorChoice::Form_Unload(bool byUser)
{
    const QString record = QStringLiteral("Color_Choice = ") + m_files.settings.Color_Choice;
    // The choice survives a restart only when the user closed the chooser: unloaded with the
    // main window going to the tray, it holds for this run alone.
    if (!byUser) {
        m_files.setupFile.putRecord(1, record);
        return;
    }
    QString error;
    if (m_files.setupFile.WriteSetupRecord(1, record, m_files.settings, &error))
        return;
    // Stored nowhere: the program goes on with the colour it held before the chooser opened, on
    // every window, before the box lets anything else run.
    m_files.settings.Color_Choice = m_colorBefore;
    if (m_files.settings.colorNumber() > 0)
        emit colorRestored(m_files.settings.colorNumber());
    hide(); // not beside the box in a colour that is gone
    reportWriteFailure(m_files.setupFile.path(), error);
}
