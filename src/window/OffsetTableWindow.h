#pragma once

#include <QWidget>
#include <functional>

#include "workspace/Workspace.h"

class QTableView;

namespace quivane {

class OffsetTableModel;

// The offsets and marks table: its own window listing every input picture
// with its offset, quality mark, score and, for a bad frame, the reason.
// The shown picture's row is the current one; moving to another row (a
// click, the arrow keys) or Enter shows that picture in the main window, and
// a mark chosen in the table marks its picture. It only reads the workspace:
// what it asks for goes through the two callbacks, which run the actions.
class OffsetTableWindow : public QWidget {
    Q_OBJECT

public:
    struct Requests {
        std::function<void(int picture)> browse;          // show input picture n
        std::function<void(int picture, int mark)> mark;  // give input picture n a quality mark
    };

    OffsetTableWindow(const Workspace& ws, Requests requests, QWidget* parent = nullptr);

    // Reads the pictures again; the shown picture's row becomes current.
    void refresh();

    QTableView* table() const { return table_; }

private:
    void currentRowMoved(int row);

    const Workspace& ws_;
    Requests requests_;
    OffsetTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    bool following_ = false;  // the table moves to the shown picture: not a request
};

}  // namespace quivane
