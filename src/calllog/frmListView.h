#pragma once

#include "Form.h"

#include <QList>
#include <array>
#include <functional>
#include <optional>

class DataFiles;
struct CallView;
class CallLog;
class CallLogFilter;
class LogBrowser;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeView;

// The Calls Log window: the whole call log as a table over the call log's rows, sortable by
// any column, searched by name or number, a clicked line shown in the main window, selected
// calls deleted from the log, the log exported as CSV.
class frmListView : public Form {
    Q_OBJECT
public:
    frmListView(DataFiles &files, CallView &view, CallLog &log, LogBrowser &browser, QWidget *parent = nullptr);

    // Reloads the log after a deletion (compaction drops the marked calls, the rest are
    // renumbered); set by the main window, which knows whether a call is coming in.
    std::function<void()> displayList;
    // A rule or a name stored from the call's menu, as the NCID request that stores it on a
    // server too (set by the main window where calls come from one).
    std::function<void(const QString &request)> ruleStored;

    QTreeView *ListView1 = nullptr;
    QPushButton *cmdDeleteList = nullptr;
    QPushButton *cmdClearList = nullptr;
    QMenu *mnuFile2 = nullptr; // the pop-up menu of the list
    QAction *mnuDeleteList = nullptr;
    // The screening entries of the pop-up menu, for the call under the mouse: each made for the
    // call the menu opens on, and only those that make sense for it shown.
    QList<QAction *> screeningActions;
    QLineEdit *txtSearch = nullptr; // Ctrl+F; what it leaves is what the list shows
    QPushButton *cmdExport = nullptr;
    // Where "Export..." writes; empty when the user cancels. A file dialog unless a test says.
    std::function<QString()> chooseExportFile;
    // The name "Name this caller..." stores; nullopt when the user cancels. A text box unless a
    // test says.
    std::function<std::optional<QString>(const QString &number)> askCallerName;

    // Fills the pop-up menu's screening entries for the line (0-based, as shown).
    void prepareMenu(int row);

    void DeleteList();
    void cmdClearList_Click();
    void columnClick(int column); // 1 to 7
    void itemClick(int row);      // 0-based row of the table as shown
    void cmdExport_Click();
    void setBackColor(int bgr);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void buildControls();
    void placeBelowMainWindow();
    void showSortArrow(int column, bool ascending); // column 1 to 7
    int logRow(int shownRow) const;                 // the row of the log's rows behind a shown one
    void screenCaller(int offer);                   // one of the screening entries was chosen
    // The Refused column and the refused calls' lines marked, from refused.txt and the store: at
    // once, or once the event that added rows is done.
    void showRefusals();
    void showRefusalsSoon();

    DataFiles &m_files;
    CallView &m_view;
    CallLog &m_log;
    LogBrowser &m_browser;
    CallLogFilter *m_filter = nullptr;
    // The line last clicked, counted from 1; 0 until a line is clicked and after a deletion.
    int m_clickedItem = 0;
    std::array<bool, 8> m_sortOrder{}; // by column 1 to 7; the first click sorts ascending
    bool m_refusalsDue = false;        // showRefusals is queued
    QAction *m_screeningSeparator = nullptr;
    QString m_menuNumber, m_menuName; // the call the menu was opened on
};
