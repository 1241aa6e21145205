#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "window/QualityPlot.h"
#include "workspace/Workspace.h"

class QCheckBox;
class QLabel;

namespace quivane {

class QualityPlotView;

// The quality graph: its own window showing every input picture's score, in
// frame order or sorted, coloured by its quality mark, bad frames with their
// reason, the shown picture ringed and the keep-best threshold as a line.
// Dragging the line keeps as many pictures as score above it; a click on a
// point shows that picture in the main window. It only reads the workspace:
// what it asks for goes through the two callbacks, which run the actions.
class QualityGraph : public QWidget {
    Q_OBJECT

public:
    struct Requests {
        std::function<void(int kept)> keep;       // keep the best `kept` usable pictures
        std::function<void(int picture)> browse;  // show input picture n
    };

    QualityGraph(const Workspace& ws, Requests requests, QWidget* parent = nullptr);

    // Reads the pictures again and redraws.
    void refresh();

    // Where picture n is drawn, in the plot's coordinates, if it is.
    std::optional<QPoint> pointOf(int picture) const;
    // Where the threshold line runs, in the plot's coordinates.
    int thresholdY() const;
    QWidget* plot() const;

private:
    void showInfo(std::optional<std::size_t> hovered);

    const Workspace& ws_;
    QCheckBox* sorted_ = nullptr;
    QualityPlotView* view_ = nullptr;
    QLabel* info_ = nullptr;
};

}  // namespace quivane
