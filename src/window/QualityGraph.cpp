#include "window/QualityGraph.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "actions/OffsetTable.h"
#include "select/BadFrames.h"
#include "select/KeepBest.h"

namespace quivane {
namespace {

// Room around the plot for the score and picture labels and the legend.
constexpr int LeftRoom = 64, RightRoom = 14, TopRoom = 24, BottomRoom = 26;
constexpr double PointReach = 6.0;
constexpr double LineReach = 5.0;

QColor MarkColour(int mark)
{
    switch (mark) {
    case QualityBad: return QColor(220, 0, 0);
    case QualityAvg: return QColor(0, 0, 230);
    case QualityGood: return QColor(0, 170, 0);
    default: return QColor(150, 150, 150);
    }
}

const QColor FaultColour(200, 100, 0);
const QColor ThresholdColour(150, 0, 150);

}  // namespace

// The drawing itself, with the mouse on it.
class QualityPlotView : public QWidget {
public:
    QualityPlotView(const Workspace& ws, QualityGraph::Requests requests, QWidget* parent)
        : QWidget(parent), ws_(ws), requests_(std::move(requests))
    {
        setObjectName("QualityPlot");
        setMouseTracking(true);
        setMinimumSize(360, 200);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }

    void setSorted(bool sorted)
    {
        sorted_ = sorted;
        update();
    }
    void setHoverShown(std::function<void(std::optional<std::size_t>)> show) { showHover_ = std::move(show); }

    std::vector<PlotPoint> points() const { return PlotPointsOf(ws_.pictures, InputPictureCount(ws_)); }

    PlotLayout layout() const
    {
        const PlotRect area{static_cast<double>(LeftRoom), static_cast<double>(TopRoom),
                            static_cast<double>(std::max(1, width() - LeftRoom - RightRoom)),
                            static_cast<double>(std::max(1, height() - TopRoom - BottomRoom))};
        return PlotLayout(points(), sorted_, area);
    }

    // The threshold of the keep rule in force, or of the line being dragged.
    double threshold(const std::vector<PlotPoint>& points, const PlotLayout& layout) const
    {
        if (dragY_) return layout.scoreAt(*dragY_);
        return ThresholdKeeping(points, KeptCount(ws_.selection.keepRule, UsableCount(points)));
    }

    int thresholdY() const
    {
        const std::vector<PlotPoint> p = points();
        const PlotLayout l = layout();
        return static_cast<int>(std::lround(l.yOf(threshold(p, l))));
    }

protected:
    void paintEvent(QPaintEvent*) override;

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        const QPointF at = event->position();
        const PlotLayout l = layout();
        pressedPoint_ = l.pointAt(at.x(), at.y(), PointReach);
        if (!pressedPoint_ && std::fabs(at.y() - thresholdY()) <= LineReach && UsableCount(points()) > 0) {
            dragY_ = at.y();
            dragged(at.y());
        }
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPointF at = event->position();
        if (dragY_) {
            dragged(at.y());
            return;
        }
        setCursor(std::fabs(at.y() - thresholdY()) <= LineReach ? Qt::SizeVerCursor : Qt::ArrowCursor);
        if (showHover_) showHover_(layout().pointAt(at.x(), at.y(), PointReach));
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton) return;
        if (dragY_) {
            dragY_.reset();
            update();
            return;
        }
        const QPointF at = event->position();
        const auto released = layout().pointAt(at.x(), at.y(), PointReach);
        if (pressedPoint_ && released == pressedPoint_ && requests_.browse) {
            const std::vector<PlotPoint> p = points();
            requests_.browse(p[*released].picture);
        }
        pressedPoint_.reset();
    }

    void leaveEvent(QEvent*) override
    {
        if (showHover_) showHover_(std::nullopt);
    }

private:
    void dragged(double y)
    {
        const PlotRect area = layout().area();
        dragY_ = std::clamp(y, area.top, area.top + area.height);
        const int kept = KeptAtThreshold(points(), layout().scoreAt(*dragY_));
        if (kept != lastKept_ && requests_.keep) {
            lastKept_ = kept;
            requests_.keep(kept);
        }
        update();
    }

    const Workspace& ws_;
    QualityGraph::Requests requests_;
    std::function<void(std::optional<std::size_t>)> showHover_;
    bool sorted_ = false;
    std::optional<double> dragY_;
    int lastKept_ = -1;
    std::optional<std::size_t> pressedPoint_;
};

void QualityPlotView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<PlotPoint> pts = points();
    const PlotLayout l = layout();
    const PlotRect& a = l.area();
    const QRectF frame(a.left, a.top, a.width, a.height);

    painter.setPen(QColor(200, 200, 200));
    painter.drawRect(frame);
    QFont small = font();
    if (small.pointSizeF() > 0) small.setPointSizeF(small.pointSizeF() * 0.85);
    else if (small.pixelSize() > 0) small.setPixelSize(std::max(8, small.pixelSize() * 85 / 100));
    painter.setFont(small);
    const QFontMetrics metrics(small);

    if (l.order().empty()) {
        painter.setPen(Qt::darkGray);
        painter.drawText(frame, Qt::AlignCenter,
                         InputPictureCount(ws_) == 0 ? "No pictures loaded"
                                                     : "The pictures have no scores: Quality > Score the loaded pictures");
        return;
    }

    // Score labels on the left, with faint lines across.
    for (int i = 0; i <= 4; ++i) {
        const double y = a.top + a.height * i / 4.0;
        painter.setPen(QColor(235, 235, 235));
        painter.drawLine(QPointF(a.left + 1, y), QPointF(a.left + a.width - 1, y));
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(0, y - 8, LeftRoom - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromStdString(ScoreText(l.scoreAt(y))));
    }
    painter.save();
    painter.translate(10, a.top + a.height / 2);
    painter.rotate(-90);
    painter.drawText(QRectF(-60, -8, 120, 16), Qt::AlignCenter, "sharpness");
    painter.restore();

    // Picture numbers (or ranks) below, about every 60 pixels.
    const std::size_t count = l.order().size();
    const double slotWidth = a.width / static_cast<double>(count);
    const std::size_t every = std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(60.0 / slotWidth)));
    for (std::size_t slot = 0; slot < count; slot += every) {
        const double x = l.xOfSlot(slot);
        const QString label = sorted_ ? QString::number(slot + 1) : QString::number(pts[l.order()[slot]].picture);
        painter.drawLine(QPointF(x, a.top + a.height), QPointF(x, a.top + a.height + 3));
        painter.drawText(QRectF(x - 30, a.top + a.height + 4, 60, 14), Qt::AlignHCenter | Qt::AlignTop, label);
    }
    painter.drawText(QRectF(a.left, a.top + a.height + 12, a.width, 14), Qt::AlignRight | Qt::AlignBottom,
                     sorted_ ? "rank" : "picture");

    // The trend of the usable pictures in frame order.
    if (!sorted_) {
        QPainterPath trend;
        bool started = false;
        for (std::size_t slot = 0; slot < count; ++slot) {
            const PlotPoint& p = pts[l.order()[slot]];
            if (!p.usable()) continue;
            const QPointF at(l.xOfSlot(slot), l.yOf(p.score));
            if (started) trend.lineTo(at);
            else trend.moveTo(at);
            started = true;
        }
        painter.setPen(QPen(QColor(215, 215, 215), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(trend);
    }

    // The threshold: solid once its rule set the marks.
    const double cut = threshold(pts, l);
    const double ty = l.yOf(cut);
    QPen line(ThresholdColour, dragY_ ? 2 : 1.5, ws_.selection.keepApplied || dragY_ ? Qt::SolidLine : Qt::DashLine);
    painter.setPen(line);
    painter.drawLine(QPointF(a.left, ty), QPointF(a.left + a.width, ty));
    const int kept = KeptAtThreshold(pts, cut);
    painter.drawText(QRectF(a.left + 4, ty - 16, a.width - 8, 14), Qt::AlignRight | Qt::AlignBottom,
                     "keep " + QString::number(kept) + " of " + QString::number(UsableCount(pts)));

    // The points; the fault's word over a bad frame when there is room.
    const double radius = slotWidth >= 8 ? 3.5 : 2.5;
    const bool words = slotWidth >= 3;
    for (std::size_t slot = 0; slot < count; ++slot) {
        const PlotPoint& p = pts[l.order()[slot]];
        // A bad frame scoring outside the range of the usable ones sits on the edge.
        const QPointF at(l.xOfSlot(slot), std::clamp(l.yOf(p.score), a.top, a.top + a.height));
        if (p.fault != FrameFault::None) {
            painter.setPen(QPen(FaultColour, 2));
            painter.drawLine(at + QPointF(-radius, -radius), at + QPointF(radius, radius));
            painter.drawLine(at + QPointF(-radius, radius), at + QPointF(radius, -radius));
            if (words) {
                const QString word = QString::fromLatin1(FaultWord(p.fault).data(), FaultWord(p.fault).size());
                const double w = metrics.horizontalAdvance(word);
                const double top = at.y() - radius - 14 < a.top ? at.y() + radius + 1 : at.y() - radius - 14;
                painter.drawText(QRectF(at.x() - w / 2 - 2, top, w + 4, 13), Qt::AlignCenter, word);
            }
        } else if (p.mark == QualityDont) {
            painter.setPen(QPen(MarkColour(QualityDont), 1.2));
            painter.setBrush(Qt::white);
            painter.drawEllipse(at, radius, radius);
        } else {
            painter.setPen(QPen(MarkColour(p.mark).darker(130), 1));
            painter.setBrush(MarkColour(p.mark));
            painter.drawEllipse(at, radius + 0.5, radius + 0.5);
        }
        if (p.picture == ws_.displayedPicture) {
            painter.setPen(QPen(Qt::black, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(at, radius + 4, radius + 4);
        }
    }

    // The legend along the top.
    double x = a.left;
    const double y = 4;
    auto key = [&](const QString& text, const std::function<void(QPointF)>& mark) {
        mark(QPointF(x + 5, y + 7));
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(x + 12, y, 120, 14), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += 12 + metrics.horizontalAdvance(text) + 12;
    };
    for (const int mark : {QualityGood, QualityAvg, QualityBad}) {
        key(QString::fromStdString(MarkName(mark)), [&](QPointF at) {
            painter.setPen(QPen(MarkColour(mark).darker(130), 1));
            painter.setBrush(MarkColour(mark));
            painter.drawEllipse(at, 3.5, 3.5);
        });
    }
    key("Dont", [&](QPointF at) {
        painter.setPen(QPen(MarkColour(QualityDont), 1.2));
        painter.setBrush(Qt::white);
        painter.drawEllipse(at, 3.5, 3.5);
    });
    key("bad frame", [&](QPointF at) {
        painter.setPen(QPen(FaultColour, 2));
        painter.drawLine(at + QPointF(-3, -3), at + QPointF(3, 3));
        painter.drawLine(at + QPointF(-3, 3), at + QPointF(3, -3));
    });
    key("shown", [&](QPointF at) {
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 5, 5);
    });
}

QualityGraph::QualityGraph(const Workspace& ws, Requests requests, QWidget* parent) : QWidget(parent), ws_(ws)
{
    setObjectName("QualityGraph");
    setWindowFlag(Qt::Window);
    setWindowTitle("Quivane: quality graph");
    resize(600, 340);

    sorted_ = new QCheckBox("Sorted by score", this);
    sorted_->setObjectName("SortedCheckBox");
    sorted_->setToolTip("Show the pictures best first instead of in frame order");
    auto* hint = new QLabel("Drag the line to keep more or fewer; click a point to show its picture", this);
    hint->setStyleSheet("color: gray");
    view_ = new QualityPlotView(ws, std::move(requests), this);
    info_ = new QLabel(this);
    info_->setObjectName("QualityInfo");
    info_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    info_->setIndent(4);

    auto* top = new QHBoxLayout;
    top->addWidget(sorted_);
    top->addStretch();
    top->addWidget(hint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(info_);

    connect(sorted_, &QCheckBox::toggled, this, [this](bool on) { view_->setSorted(on); });
    view_->setHoverShown([this](std::optional<std::size_t> hovered) { showInfo(hovered); });
    refresh();
}

void QualityGraph::refresh()
{
    view_->update();
    showInfo(std::nullopt);
}

std::optional<QPoint> QualityGraph::pointOf(int picture) const
{
    const std::vector<PlotPoint> points = view_->points();
    const PlotLayout layout = view_->layout();
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (points[i].picture != picture) continue;
        const auto x = layout.xOf(i);
        if (!x) return std::nullopt;
        return QPoint(static_cast<int>(std::lround(*x)), static_cast<int>(std::lround(layout.yOf(points[i].score))));
    }
    return std::nullopt;
}

int QualityGraph::thresholdY() const { return view_->thresholdY(); }

QWidget* QualityGraph::plot() const { return view_; }

void QualityGraph::showInfo(std::optional<std::size_t> hovered)
{
    const std::vector<PlotPoint> points = view_->points();
    if (hovered && *hovered < points.size()) {
        const PlotPoint& p = points[*hovered];
        QString text = QString("Picture %1: sharpness %2, %3")
                           .arg(p.picture)
                           .arg(QString::fromStdString(ScoreText(p.score)), QString::fromStdString(MarkName(p.mark)));
        if (p.fault != FrameFault::None)
            text += QString(", bad frame: %1 (%2)")
                        .arg(QString::fromLatin1(FaultWord(p.fault).data(), FaultWord(p.fault).size()))
                        .arg(QString::fromLatin1(FaultExplanation(p.fault).data(), FaultExplanation(p.fault).size()));
        info_->setText(text);
        return;
    }
    int scored = 0, bad = 0, kept = 0;
    for (const PlotPoint& p : points) {
        scored += p.scored();
        bad += p.scored() && !p.usable();
        kept += p.mark == QualityAvg || p.mark == QualityGood;
    }
    info_->setText(QString("%1 pictures, %2 scored, %3 bad frames; %4 marked Avg or Good")
                       .arg(points.size())
                       .arg(scored)
                       .arg(bad)
                       .arg(kept));
}

}  // namespace quivane
