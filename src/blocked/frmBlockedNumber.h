#pragma once

#include "Form.h"

class DataFiles;
struct CallView;
class BlockedFile;
class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;

// The Blocked Number List window: blocked.bin compacted and listed each time it loads, and
// the selected entries unblocked (marked deleted in place, then compacted away).
class frmBlockedNumber : public Form {
    Q_OBJECT
public:
    frmBlockedNumber(DataFiles &files, CallView &view, BlockedFile &file, QWidget *parent = nullptr);

    QTreeWidget *ListView2 = nullptr;
    QPushButton *cmdDeleteBlockedNumber = nullptr;
    QMenu *mnuFile3 = nullptr; // the pop-up menu of the list
    QAction *mnuUnblockNumber = nullptr;

    void DeleteBlockedNumber();
    void itemClick(int row); // 0-based
    void setBackColor(int bgr);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void buildControls();
    // Compacts blocked.bin and lists its entries; true when the file could be written.
    bool LoadBlockedList(QString *error);

    DataFiles &m_files;
    CallView &m_view;
    BlockedFile &m_file;
    // The line last clicked, counted from 1; 0 until a line is clicked and after unblocking.
    // Keyboard selection alone never unblocks: the user points at what goes.
    int m_clickedItem = 0;
};
