#include "window/MainForm.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMessageBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "actions/BitmapSequenceLoad.h"
#include "actions/CorrectionButton.h"
#include "actions/VideoLoad.h"
#include "actions/AlignmentRun.h"
#include "actions/ManualAlignment.h"
#include "actions/CalculationRun.h"
#include "actions/KernelButtons.h"
#include "actions/SaveActions.h"
#include "actions/SaveOptions.h"
#include "actions/ResultViewActions.h"
#include "actions/ActionGuard.h"
#include "window/CaptionPanel.h"
#include "actions/ControlHandlers.h"
#include "actions/KeyHandling.h"
#include "actions/LocalAlignmentRun.h"
#include "actions/OffsetTable.h"
#include "window/PictureBox.h"
#include "window/QtImage.h"
#include "window/QualityLamp.h"
#include "window/SpinEdit.h"
#include "window/StartPictures.h"
#include "actions/WorkspaceActions.h"
#include "actions/CaptureSettings.h"
#include "actions/FrameSelection.h"
#include "actions/PictureBrowsing.h"
#include "actions/StatusHint.h"
#include "window/KeepBestDialog.h"
#include "window/QualityGraph.h"
#include "window/QualityPlot.h"
#include "window/PictureViewer.h"
#include "window/OffsetTableWindow.h"
#include "window/WindowKeys.h"

namespace quivane {
namespace {

constexpr int WindowWidth = 639;
constexpr int WindowHeight = 480;

// Three columns of panels.
constexpr int LeftX = 4, MiddleX = 231, RightX = 435;
constexpr int LeftWidth = 223, MiddleWidth = 200, RightWidth = 200;

const QString KernelHint = "Load a small bitmap that describes the PSF (Point Spread Function)";

std::size_t Index(ControlId id) { return static_cast<std::size_t>(id); }

// "Description (*.ext)|*.ext", or several such pairs joined by "|", as
// toolkit filters whose patterns match the extension in lower and upper case
// alike.
QString ToolkitFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].section(" (", 0, 0);
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            patterns << pattern.toLower() << pattern.toUpper();
        }
        patterns.removeDuplicates();
        filters << description + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

// A picture box beside the file list that shows the file under the cursor.
void AddPreview(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(96, 96);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) grid->addWidget(preview, 1, 3);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        const QImage image(path);
        preview->setPixmap(image.isNull() ? QPixmap()
                                          : QPixmap::fromImage(image.scaled(preview->size(), Qt::KeepAspectRatio)));
    });
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog, const FileDialogRequest& request)
{
    if (request.preview) AddPreview(dialog);
    dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (!request.filter.empty()) {
        const QStringList filters = ToolkitFilter(request.filter).split(";;");
        dialog.setNameFilters(filters);
        if (request.selectedFilter > 0 && request.selectedFilter < filters.size()) {
            dialog.selectNameFilter(filters[request.selectedFilter]);
        }
    }
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst().toStdString();
}

}  // namespace

MainForm::MainForm(const std::string& programFolder, QSettings* places, QWidget* parent)
    : QWidget(parent), ws_(programFolder), places_(places)
{
    ws_.dialogFolders.remembered = places_.dialogFolders();
    setWindowTitle("Quivane: combine AVI videos or BMP sequences");
    // The panels keep their fixed places inside their own area; the menu bar
    // sits above it.
    content_ = new QWidget(this);
    content_->setObjectName("PanelArea");
    content_->setFixedSize(WindowWidth, WindowHeight);
    buildMenu();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(content_);
    setFixedSize(WindowWidth, WindowHeight + menuBar_->sizeHint().height());
    layout->activate();

    buildLoadPanel();
    buildAlignPanel();
    buildCombinePanel();
    buildDeconvolutionPanel();
    buildInputPanel();
    buildQualityPanel();
    buildSavePanel();
    buildResultPanel();
    buildShowResultPanel();
    buildHistogramPanel();
    buildStatusArea();

    for (std::size_t i = 0; i < ControlCount; ++i) {
        const auto id = static_cast<ControlId>(i);
        showControl(id, ws_.controls[id]);
    }
    FormCreate(ws_, *this);
    for (QAbstractButton* button : kernelButtons_) setKernelGlyph(button);
    connectActions();
    qApp->installEventFilter(this);
    centreOnScreen();
}

// The graph and the table read the workspace: they go first.
MainForm::~MainForm()
{
    rememberPlaces();
    delete graph_;
    delete table_;
}

void MainForm::rememberPlaces()
{
    places_.keepDialogFolders(ws_.dialogFolders.remembered);
    if (viewer_) places_.keepWindow(*viewer_, "pictureViewer");
    if (graph_) places_.keepWindow(*graph_, "qualityGraph");
    if (table_) places_.keepWindow(*table_, "offsetTable");
}

template <class Place>
void MainForm::placeNewWindow(QWidget* window, const QString& name, Place place)
{
    if (!places_.restoreWindow(*window, name)) place();
}

// ---- layout -------------------------------------------------------------

void MainForm::buildMenu()
{
    menuBar_ = new QMenuBar(this);
    QMenu* options = menuBar_->addMenu("&Options");
    QMenu* mosaic = options->addMenu("Colour &mosaic");
    mosaic->setToolTipsVisible(true);
    auto* choices = new QActionGroup(this);
    const std::pair<const char*, BayerChoice> entries[] = {
        {"&As the file says", BayerChoice::Auto}, {"&None (grey)", BayerChoice::None},
        {"&RGGB", BayerChoice::RGGB},             {"&GRBG", BayerChoice::GRBG},
        {"G&BRG", BayerChoice::GBRG},             {"B&GGR", BayerChoice::BGGR}};
    for (const auto& [caption, choice] : entries) {
        QAction* action = mosaic->addAction(caption);
        action->setCheckable(true);
        action->setChecked(choice == BayerChoice::Auto);
        action->setObjectName(QString("Bayer") + QString(caption).remove('&').section(' ', 0, 0));
        choices->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, choice = choice] { RunGuarded(*this, [&] { SetBayerChoice(ws_, *this, choice); }); });
    }
    QMenu* saving = options->addMenu("&Save writes");
    auto* formats = new QActionGroup(this);
    for (const SaveOption& option : SaveOptions()) {
        QAction* action = saving->addAction(option.caption);
        action->setCheckable(true);
        action->setChecked(option.choice == ws_.automaticSave);
        const SampleDepth depth = option.choice.depth;
        action->setObjectName(QString("SaveWrites") + FormatName(option.choice.format) +
                              (depth == SampleDepth::Eight ? "8" : depth == SampleDepth::Sixteen ? "16" : "Float"));
        formats->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice = option.choice] {
            RunGuarded(*this, [&] { SetAutomaticSaveChoice(ws_, *this, choice); });
        });
    }
    QAction* memory = options->addAction("Picture &memory...");
    memory->setObjectName("PictureMemoryAction");
    connect(memory, &QAction::triggered, this, [this] {
        bool ok = false;
        const int value =
            QInputDialog::getInt(this, "Picture memory", "Memory for the loaded pictures (MiB):", ws_.pictureMemoryMiB,
                                 DefaultPictureMemoryMiB, MachineMemoryMiB(), 64, &ok);
        if (ok) RunGuarded(*this, [&] { SetPictureMemory(ws_, *this, value); });
    });
    buildLocalAlignmentMenu(options);
    buildQualityMenu();
    buildViewMenu();
}

void MainForm::buildLocalAlignmentMenu(QMenu* options)
{
    options->addSeparator();
    QAction* local = options->addAction("&Local alignment");
    local->setObjectName("LocalAlignmentAction");
    local->setCheckable(true);
    local->setToolTip("After the automatic alignment, align and stack alignment points over the object one by one");
    connect(local, &QAction::toggled, this,
            [this](bool on) { RunGuarded(*this, [&] { SetLocalAlignment(ws_, *this, on); }); });
    QAction* points = options->addAction("Alignment &points...");
    points->setObjectName("AlignmentPointsAction");
    connect(points, &QAction::triggered, this, [this] {
        bool ok = false;
        const int value = QInputDialog::getInt(this, "Alignment points", "Box size in pixels (0: by the picture size):",
                                               ws_.localBoxSize, 0, MaximumBoxSize, 2, &ok);
        if (ok) RunGuarded(*this, [&] { SetLocalBoxSize(ws_, *this, value); });
    });
    QAction* keep = options->addAction("Local &keep...");
    keep->setObjectName("LocalKeepAction");
    connect(keep, &QAction::triggered, this, [this] {
        bool ok = false;
        const int value = QInputDialog::getInt(this, "Local keep", "Each point stacks its sharpest (%):",
                                               ws_.localKeepPercent, 1, 100, 5, &ok);
        if (ok) RunGuarded(*this, [&] { SetLocalKeep(ws_, *this, value); });
    });
}

void MainForm::buildQualityMenu()
{
    QMenu* quality = menuBar_->addMenu("&Quality");
    quality->setObjectName("QualityMenu");
    QAction* keep = quality->addAction("&Keep best...");
    keep->setObjectName("KeepBestAction");
    keep->setToolTip("Mark the sharpest pictures Good and Avg and the rest Dont");
    connect(keep, &QAction::triggered, this, [this] { askKeepBest(); });
    QAction* graph = quality->addAction("Quality &graph");
    graph->setObjectName("QualityGraphAction");
    connect(graph, &QAction::triggered, this, [this] { openQualityGraph(); });
    quality->addSeparator();
    QAction* score = quality->addAction("&Score the loaded pictures");
    score->setObjectName("ScorePicturesAction");
    connect(score, &QAction::triggered, this, [this] { RunGuarded(*this, [&] { ScoreLoadedPictures(ws_, *this); }); });
    QAction* whileLoading = quality->addAction("Score &while loading");
    whileLoading->setObjectName("ScoreWhileLoadingAction");
    whileLoading->setCheckable(true);
    whileLoading->setChecked(ws_.selection.scoreWhileLoading);
    connect(whileLoading, &QAction::toggled, this,
            [this](bool on) { RunGuarded(*this, [&] { SetScoreWhileLoading(ws_, *this, on); }); });
}

void MainForm::askKeepBest()
{
    const int usable = UsableCount(PlotPointsOf(ws_.pictures, InputPictureCount(ws_)));
    KeepBestDialog dialog(ws_.selection.keepRule, usable, this);
    if (dialog.exec() != QDialog::Accepted) return;
    const KeepRule rule = dialog.rule();
    RunGuarded(*this, [&] { KeepBest(ws_, *this, rule); });
}

QualityGraph* MainForm::qualityGraph() const { return graph_; }

void MainForm::openQualityGraph()
{
    if (!graph_) {
        QualityGraph::Requests requests;
        requests.keep = [this](int kept) { RunGuarded(*this, [&] { KeepBest(ws_, *this, KeepRule::Count(kept)); }); };
        requests.browse = [this](int picture) { RunGuarded(*this, [&] { BrowseToPicture(ws_, *this, picture); }); };
        graph_ = new QualityGraph(ws_, std::move(requests), this);
        placeNewWindow(graph_, "qualityGraph", [this] { placeBeside(graph_); });
    }
    graph_->refresh();
    graph_->show();
    graph_->raise();
}

// "Vie&w" and not "&View": Alt+V is the "A&VI" button's.
void MainForm::buildViewMenu()
{
    QMenu* view = menuBar_->addMenu("Vie&w");
    view->setObjectName("ViewMenu");
    QAction* viewer = view->addAction("Picture &viewer");
    viewer->setObjectName("PictureViewerAction");
    viewer->setToolTip("The result or the input picture in a window of its own: fitted, at 1:1 or zoomed");
    connect(viewer, &QAction::triggered, this, [this] { openPictureViewer(); });
    QAction* table = view->addAction("Offsets and &marks");
    table->setObjectName("OffsetTableAction");
    table->setToolTip("Every input picture's offset, mark, score and fault in a table; marks can be changed there");
    connect(table, &QAction::triggered, this, [this] { openOffsetTable(); });
}

OffsetTableWindow* MainForm::offsetTable() const { return table_; }

void MainForm::openOffsetTable()
{
    if (!table_) {
        OffsetTableWindow::Requests requests;
        requests.browse = [this](int picture) { RunGuarded(*this, [&] { BrowseToPicture(ws_, *this, picture); }); };
        requests.mark = [this](int picture, int mark) {
            RunGuarded(*this, [&] { MarkPicture(ws_, *this, picture, mark); });
        };
        table_ = new OffsetTableWindow(ws_, std::move(requests), this);
        placeNewWindow(table_, "offsetTable", [this] { placeBeside(table_); });
    }
    table_->refresh();
    table_->show();
    table_->raise();
    table_->activateWindow();
}

void MainForm::placeBeside(QWidget* window)
{
    // Right or left of the main window, or below or above it, wherever the
    // screen has room first: never over the panels when it can be helped.
    const QRect main = frameGeometry();
    const QSize size = window->frameGeometry().size();
    QPoint place = main.topRight() + QPoint(8, 0);
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        const QPoint candidates[] = {place, main.topLeft() - QPoint(size.width() + 8, 0),
                                     main.bottomLeft() + QPoint(0, 8), main.topLeft() - QPoint(0, size.height() + 8)};
        bool placed = false;
        for (const QPoint& candidate : candidates) {
            if (room.contains(QRect(candidate, size))) {
                place = candidate;
                placed = true;
                break;
            }
        }
        // No room beside: at the screen's right edge, over part of the panels.
        if (!placed) place = QPoint(std::max(room.left(), room.right() - size.width()), room.top());
    }
    window->move(place);
}

PictureViewer* MainForm::pictureViewer() const { return viewer_; }

void MainForm::openPictureViewer()
{
    if (!viewer_) {
        viewer_ = new PictureViewer(this);
        placeNewWindow(viewer_, "pictureViewer", [this] {
            // Narrower, to fit beside the panels when that leaves a useful
            // width; otherwise as large as it is and placed over them.
            if (const QScreen* screen = this->screen()) {
                const QRect room = screen->availableGeometry();
                const QRect main = frameGeometry();
                const int beside = std::max(room.right() - main.right(), main.left() - room.left()) - 16;
                const int width = beside >= 400 ? std::min(viewer_->width(), beside) : viewer_->width();
                viewer_->resize(std::min(width, room.width() - 40), std::min(viewer_->height(), room.height() - 60));
            }
            placeBeside(viewer_);
        });
        // What the boxes show now; later pictures come as they are shown.
        viewer_->setResult(resultBox_->picture());
        viewer_->setInput(inputBox_->picture());
    }
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

void MainForm::buildLoadPanel()
{
    auto* panel = new CaptionPanel("Load AVI video or BMP sequence", QRect(LeftX, 4, LeftWidth, 80), content_);
    panel->setToolTip("Load a series of pictures from a Windows AVI video or a range of bitmaps");
    addButton(panel, "LoadAVIButton", "A&VI", QRect(6, 21, 66, 25), "Load a Windows AVI video [Press Escape to abort]");
    addButton(panel, "LoadBMPButton", "&BMP", QRect(78, 21, 66, 25),
              "Load a range of Windows bitmaps [Press Escape to abort]");
    addButton(panel, "LoadCorrectionBMPbutton", "Co&rrect", QRect(150, 21, 67, 25),
              "Load darkfield and/or flatfield  [Press Cancel to delete fields from memory]");
    addCheckBox(ControlId::WholeAreaCheckBox, panel, "WholeAreaCheckBox", "Full picture", QRect(6, 52, 88, 20),
                "Check if you want to load the full picture e.g. moon; leave blank if your picture contains a small "
                "object e.g. a planet");
    addLabel(panel, "Resample  x", QRect(102, 54, 72, 16));
    addSpinEdit(ControlId::ResampleSpinEdit, panel, "ResampleSpinEdit", QRect(175, 50, 42, 22),
                "Enlargement; With full picture on, the middle portion will be enlarged");
}

void MainForm::buildAlignPanel()
{
    auto* panel = new CaptionPanel("Align pictures", QRect(LeftX, 88, LeftWidth, 118), content_);
    panel->setToolTip("Align the loaded pictures, so that details will be in proper place when combining the pictures");
    addRadioGroup(ControlId::RegisterRadioGroup, panel, "RegisterRadioGroup", "Aligning method", {"Manual", "Auto"},
                  1, QRect(4, 18, 96, 78), "Choose manual or automatic alignment;   ");
    addLabel(panel, "Align with picture:", QRect(106, 20, 98, 16));
    addSpinEdit(ControlId::RegisterSpinEdit, panel, "RegisterSpinEdit", QRect(106, 38, 56, 22),
                "Give the number of the picture to register all the others with [nr. 0 is the result picture]");
    actionButtons_[static_cast<std::size_t>(ActionButton::Go)] =
        addButton(panel, "RegisterGoButton", "&Go!", QRect(106, 68, 46, 25), "Start aligning pictures");
    actionButtons_[static_cast<std::size_t>(ActionButton::Stop)] =
        addButton(panel, "RegisterStopButton", "Sto&p!", QRect(155, 68, 46, 25), "Stop aligning pictures");
    addScrollBar(ControlId::HorScrollBar, Qt::Horizontal, panel, "HorScrollBar", QRect(2, 100, 203, 16),
                 "Horizontal scrollbar, used in manual alignment");
    addScrollBar(ControlId::VerScrollBar, Qt::Vertical, panel, "VerScrollBar", QRect(205, 18, 16, 82),
                 "Vertical scrollbar, used in manual alignment");
}

void MainForm::buildCombinePanel()
{
    auto* panel = new CaptionPanel("Combine pictures", QRect(LeftX, 210, LeftWidth, 96), content_);
    panel->setToolTip("Combine the aligned pictures to one single picture that is more free from noise");
    addRadioGroup(ControlId::CombineRadioGroup, panel, "CombineRadioGroup", "Combine method",
                  {"Mean", "Median", "MinMax", "Multiply"}, 2, QRect(4, 18, 215, 50),
                  "Choose a method to combine the stack of pictures");
    addSpinEdit(ControlId::CombineSpinEdit, panel, "CombineSpinEdit", QRect(6, 70, 56, 22), QString());
    combineText_ = addLabel(panel, "mean values", QRect(68, 73, 150, 16));
    combineText_->setObjectName("CombineStaticText");
}

void MainForm::buildDeconvolutionPanel()
{
    auto* panel = new CaptionPanel("(De)convolution", QRect(LeftX, 310, LeftWidth, 128), content_);
    panel->setToolTip("Improve the details and sharpness of the endresult picture");
    addCheckBox(ControlId::UmaCheckBox, panel, "UmaCheckBox", "Unsharp Mask", QRect(6, 22, 100, 20),
                "Subtracts the unsharp component from the endresult to enhance details");
    addSpinEdit(ControlId::UmaStrengthSpinEdit, panel, "UmaStrengthSpinEdit", QRect(112, 20, 42, 22),
                "Specfies the strength of the unsharp mask [0=unsharp component itself]");
    kernelButtons_[0] = addButton(panel, "GetUmaPSFButton", "PSF", QRect(160, 18, 58, 26), KernelHint);

    const QString decHint = "The endresult will be deconvolved (restored) with the loaded PSF";
    addCheckBox(ControlId::DecCheckBox, panel, "DecCheckBox", QString(), QRect(6, 62, 16, 16), decHint);
    addRadioGroup(ControlId::DecRadioGroup, panel, "DecRadioGroup", "Deconvolve", {"Cit", "LR"}, 2,
                  QRect(24, 44, 84, 42), decHint);
    addSpinEdit(ControlId::DecIterationsSpinEdit, panel, "DecIterationsSpinEdit", QRect(112, 56, 42, 22),
                "Nr of iterations");
    kernelButtons_[1] = addButton(panel, "GetDecPSFButton", "&PSF", QRect(160, 54, 58, 26), KernelHint);

    addCheckBox(ControlId::ConCheckBox, panel, "ConCheckBox", "Convolve", QRect(6, 98, 96, 20),
                "The endresult will be convolved (filtered) with the loaded filter");
    kernelButtons_[2] = addButton(panel, "GetConPSFButton", "Filter", QRect(160, 94, 58, 26),
                                  "Load a bitmap that holds a filter to convolve with");
}

void MainForm::buildInputPanel()
{
    inputPanel_ = new CaptionPanel("Input pictures [0]", QRect(MiddleX, 4, MiddleWidth, 166), content_);
    inputPanel_->setObjectName("StaticText2");
    inputPanel_->setToolTip("Gives the current and maximum number of input pictures");
    inputBox_ = new PictureBox(InputStartPicture(), inputPanel_);
    inputBox_->setObjectName("InputPicImage");
    inputBox_->setGeometry((MiddleWidth - ViewBoxWidth) / 2, 19, ViewBoxWidth, ViewBoxHeight);
    inputBox_->setToolTip("Input picture [doubleclick to advance to next, move with mouse in manual alignment]");
    inputBox_->installEventFilter(this);
}

void MainForm::buildQualityPanel()
{
    auto* panel = new CaptionPanel("Set quality factor", QRect(MiddleX, 174, MiddleWidth, 104), content_);
    panel->setToolTip("Each input picture can be given a quality factor");
    addLabel(panel, "Nr. of input picture:", QRect(6, 22, 112, 16));
    addSpinEdit(ControlId::DataPicNrSpinEdit, panel, "DataPicNrSpinEdit", QRect(124, 19, 64, 22),
                "The number of the current displayed input picture");

    struct LampLook {
        const char* name;
        QColor lit;
        QColor dark;
    };
    const LampLook looks[4] = {{"DontLed", Qt::gray, Qt::black},
                               {"BadLed", Qt::red, QColor(128, 0, 0)},
                               {"AvgLed", Qt::blue, QColor(0, 0, 128)},
                               {"GoodLed", QColor(0, 255, 0), QColor(0, 128, 0)}};
    constexpr int itemWidth = 47;
    for (std::size_t i = 0; i < lamps_.size(); ++i) {
        lamps_[i] = new QualityLamp(looks[i].lit, looks[i].dark, panel);
        lamps_[i]->setObjectName(looks[i].name);
        lamps_[i]->move(7 + static_cast<int>(i) * itemWidth, 46);
    }
    addRadioGroup(ControlId::QualityRadioGroup, panel, "QualityRadioGroup", QString(), {"Dont", "Bad", "Avg", "Good"},
                  4, QRect(2, 62, 196, 36), "Set the quality of the picture [Don't = do not use it in the endresult]");
}

void MainForm::buildSavePanel()
{
    actionButtons_[static_cast<std::size_t>(ActionButton::Calculate)] =
        addButton(this, "CalcButton", "-> &Calculate <-", QRect(MiddleX + 8, 284, MiddleWidth - 16, 34),
                  "Start the calculation of (De)convolutions");

    auto* panel = new CaptionPanel("Save", QRect(MiddleX, 324, MiddleWidth, 114), content_);
    panel->setToolTip("Save the endresult");
    actionButtons_[static_cast<std::size_t>(ActionButton::Save)] =
        addButton(panel, "SaveButton", QString::fromStdString("&Save  [" + ws_.resultFileName + "]"),
                  QRect(10, 28, MiddleWidth - 20, 30),
                  "Save the endresult with automatic numbering: result00, result01 etc.");
    actionButtons_[static_cast<std::size_t>(ActionButton::SaveAs)] =
        addButton(panel, "SaveAsButton", "Save &As", QRect(10, 70, MiddleWidth - 20, 30),
                  "Save the endresult under a given name");
}

void MainForm::buildResultPanel()
{
    resultPanel_ = new CaptionPanel("Result", QRect(RightX, 4, RightWidth, 166), content_);
    resultPanel_->setObjectName("StaticText1");
    resultPanel_->setToolTip("Gives the width and height of the current endresult picture");
    resultBox_ = new PictureBox(ResultStartPicture(), resultPanel_);
    resultBox_->setObjectName("ResultPicImage");
    resultBox_->setGeometry((RightWidth - ViewBoxWidth) / 2, 19, ViewBoxWidth, ViewBoxHeight);
    resultBox_->setStretched(false);
    resultBox_->setToolTip(
        "Result picture [window only shows 192x144 pixels, check 'Full image' to show full result]");
    resultBox_->installEventFilter(this);
}

void MainForm::buildShowResultPanel()
{
    auto* panel = new CaptionPanel("Show result", QRect(RightX, 174, RightWidth, 152), content_);
    panel->setToolTip("Determines how the endresult will be shown");
    addRadioGroup(ControlId::ShowResultRadioGroup, panel, "ShowResultRadioGroup", "Color information",
                  {"B&&W (luminance)", "Color only (hue)", "Full color", "Saturation level"}, 1,
                  QRect(4, 18, 192, 84), "Choose different ways to display the endresult");

    auto* slider = new QSlider(Qt::Horizontal, panel);
    slider->setObjectName("SaturationTrackBar");
    slider->setGeometry(4, 104, 104, 22);
    slider->setPageStep(10);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setToolTip("Set saturation of color picture [100% is no change]");
    controls_[Index(ControlId::SaturationTrackBar)].widget = slider;
    connect(slider, &QSlider::valueChanged, this,
            [this](int value) { userChanged(ControlId::SaturationTrackBar, value); });
    saturationText_ = addLabel(panel, "[Saturat. 100%]", QRect(110, 107, 88, 16));

    addLabel(panel, "Width  [4:3]", QRect(4, 131, 68, 16));
    addSpinEdit(ControlId::ResultSizeSpinEdit, panel, "ResultSizeSpinEdit", QRect(73, 128, 48, 22),
                "Width of result picture [change has no effect until reloading input pictures]");
    addCheckBox(ControlId::AutosizeCheckBox, panel, "AutosizeCheckBox", "Full image", QRect(124, 129, 74, 20),
                "Result window only shows 192x144 pixels [check to show full result picture]");
}

void MainForm::buildHistogramPanel()
{
    auto* panel = new CaptionPanel("Histogram functions", QRect(RightX, 330, RightWidth, 108), content_);
    panel->setToolTip("Change the gray (lumninance) values of the endresult");
    addCheckBox(ControlId::BiasGainCheckBox, panel, "BiasGainCheckBox", "Bias", QRect(6, 22, 46, 20),
                "Set level and contrast");
    addSpinEdit(ControlId::BIASSpinEdit, panel, "BIASSpinEdit", QRect(52, 20, 48, 22),
                "Lightness [<128 = darken; 128 = no change; >128 = lighten]");
    addLabel(panel, "Gain", QRect(108, 24, 28, 16));
    addSpinEdit(ControlId::GAINSpinEdit, panel, "GAINSpinEdit", QRect(138, 20, 48, 22),
                "Contrast [<128 = low contrast; 128 = no change; >128 = high contrast]");

    addCheckBox(ControlId::TableMappingCheckBox, panel, "TableMappingCheckBox", QString(), QRect(6, 52, 16, 16),
                "Set LUT on or off");
    addButton(panel, "LUTButton", "Load L&UT", QRect(24, 48, 70, 25), "Load a lookup table (LUT) ");
    addCheckBox(ControlId::CLAHECheckBox, panel, "CLAHECheckBox", "CLA&HE:", QRect(98, 50, 60, 20),
                "Contrast Limited Adaptive Histogram Equalization");
    addSpinEdit(ControlId::CLAHESpinEdit, panel, "CLAHESpinEdit", QRect(158, 48, 38, 22),
                "Cliplimit [high number=stronger effect, 0=AHE]");

    addCheckBox(ControlId::Map0255CheckBox, panel, "Map0255CheckBox", "Map values 0 .. 255 to 16 .. 240",
                QRect(4, 80, 194, 20), "Avoiding pure black and white results in better printout");
}

void MainForm::buildStatusArea()
{
    progressBar_ = new QProgressBar(content_);
    progressBar_->setObjectName("ProgressBar");
    progressBar_->setGeometry(4, 442, WindowWidth - 8, 14);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setToolTip("Progressbar gives progress information");

    statusLine_ = new QLabel(content_);
    statusLine_->setObjectName("StatusBar");
    statusLine_->setGeometry(0, 459, WindowWidth, 21);
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLine_->setIndent(4);
    statusLine_->setToolTip("Statusbar gives status and progress information");
}

QPushButton* MainForm::addButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                                 const QString& hint)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setToolTip(hint);
    return button;
}

void MainForm::addCheckBox(ControlId id, QWidget* parent, const char* name, const QString& caption,
                           const QRect& geometry, const QString& hint)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setToolTip(hint);
    controls_[Index(id)].widget = box;
    connect(box, &QCheckBox::toggled, this, [this, id](bool checked) { userChanged(id, checked ? 1 : 0); });
}

void MainForm::addSpinEdit(ControlId id, QWidget* parent, const char* name, const QRect& geometry,
                           const QString& hint)
{
    auto* spin = new SpinEdit(parent);
    spin->setObjectName(name);
    spin->setGeometry(geometry);
    if (!hint.isEmpty()) spin->setToolTip(hint);
    controls_[Index(id)].widget = spin;
    connect(spin, &QSpinBox::valueChanged, this, [this, id](int value) { userChanged(id, value); });
    connect(spin, &SpinEdit::valueTyped, this,
            [this, id](int value) { RunGuarded(*this, [&] { ControlTyped(ws_, *this, id, value); }); });
}

void MainForm::addRadioGroup(ControlId id, QWidget* parent, const char* name, const QString& title,
                             const QStringList& items, int columns, const QRect& geometry, const QString& hint)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(name);
    group->setGeometry(geometry);
    group->setToolTip(hint);
    auto* buttons = new QButtonGroup(group);
    const int top = title.isEmpty() ? 6 : 16;
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    const int itemWidth = (geometry.width() - 6) / columns;
    const int itemHeight = std::max(16, (geometry.height() - top - 4) / rows);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], group);
        // Items run down the first column, then the next, as in a column-major radio group.
        const int column = i / rows;
        const int row = i % rows;
        radio->setGeometry(4 + column * itemWidth, top + row * itemHeight, itemWidth, itemHeight);
        buttons->addButton(radio, i);
    }
    controls_[Index(id)] = ControlWidgets{group, buttons};
    connect(buttons, &QButtonGroup::idToggled, this, [this, id](int item, bool checked) {
        if (checked) userChanged(id, item);
    });
}

void MainForm::addScrollBar(ControlId id, Qt::Orientation orientation, QWidget* parent, const char* name,
                            const QRect& geometry, const QString& hint)
{
    auto* bar = new QScrollBar(orientation, parent);
    bar->setObjectName(name);
    bar->setGeometry(geometry);
    bar->setToolTip(hint);
    controls_[Index(id)].widget = bar;
    connect(bar, &QScrollBar::valueChanged, this, [this, id](int value) { userChanged(id, value); });
}

QLabel* MainForm::addLabel(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    return label;
}

void MainForm::setKernelGlyph(QAbstractButton* button)
{
    button->setIcon(QIcon(QPixmap::fromImage(ToQImage(ws_.kernelBitmap))));
    button->setIconSize(QSize(15, 15));
}

void MainForm::centreOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

void MainForm::userChanged(ControlId id, int value)
{
    RunGuarded(*this, [&] { ControlChanged(ws_, *this, id, value); });
}

template <class Action>
void MainForm::onClick(const char* buttonName, Action action)
{
    auto* button = findChild<QPushButton*>(buttonName);
    connect(button, &QPushButton::clicked, this, [this, action] { RunGuarded(*this, [&] { action(ws_, *this); }); });
}

void MainForm::connectActions()
{
    onClick("LoadBMPButton", LoadBMPButtonClick);
    onClick("LoadAVIButton", LoadAVIButtonClick);
    onClick("SaveButton", SaveButtonClick);
    onClick("SaveAsButton", SaveAsButtonClick);
    onClick("LUTButton", LUTButtonClick);
    onClick("RegisterGoButton", GoButtonClick);
    onClick("RegisterStopButton", StopButtonClick);
    onClick("CalcButton", CalculationRun);
    onClick("LoadCorrectionBMPbutton", LoadCorrectionBMPbuttonClick);
    const int kinds[] = {UnsharpMaskKernel, DeconvolutionKernel, ConvolutionKernel};
    for (std::size_t i = 0; i < kernelButtons_.size(); ++i) {
        QPushButton* button = kernelButtons_[i];
        const int kind = kinds[i];
        connect(button, &QPushButton::clicked, this, [this, button, kind] {
            RunGuarded(*this, [&] {
                AskPSFBitmap(ws_, *this, kind);
                setKernelGlyph(button);
            });
        });
    }
}

bool MainForm::handleInputBoxMouse(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const int x = static_cast<int>(mouse->position().x());
    const int y = static_cast<int>(mouse->position().y());
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton) return false;
        RunGuarded(*this, [&] { InputPicImageMouseDown(ws_, *this, x, y); });
        return true;
    case QEvent::MouseMove: RunGuarded(*this, [&] { InputPicImageMouseMove(ws_, *this, x, y); }); return true;
    case QEvent::MouseButtonRelease:
        if (mouse->button() != Qt::LeftButton) return false;
        RunGuarded(*this, [&] { InputPicImageMouseUp(ws_, *this, x, y); });
        return true;
    case QEvent::MouseButtonDblClick:
        RunGuarded(*this, [&] { InputPicImageDoubleClick(ws_, *this); });
        return true;
    default: return false;
    }
}

bool MainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == inputBox_ && handleInputBoxMouse(event)) return true;
    if (watched == resultBox_ && event->type() == QEvent::MouseButtonDblClick) {
        openPictureViewer();
        viewer_->setSource(PictureViewer::Source::Result);
        return true;
    }
    // Keys of the window's own widgets are seen here first, then passed on.
    auto* widget = qobject_cast<QWidget*>(watched);
    // The quality graph's, the picture viewer's and the table's own windows
    // take the window's keys too: browsing and marking from there. Asked only of a
    // key: other events reach here while those windows are being destroyed.
    auto inOwnWindows = [&] {
        return (graph_ && (widget == graph_ || graph_->isAncestorOf(widget))) ||
               (viewer_ && (widget == viewer_ || viewer_->isAncestorOf(widget))) ||
               (table_ && (widget == table_ || table_->isAncestorOf(widget)));
    };
    if (event->type() == QEvent::KeyRelease) lastKeyEvent_ = nullptr;
    if (event->type() == QEvent::KeyPress && widget && (widget == this || isAncestorOf(widget) || inOwnWindows())) {
        // A key its receiver ignores travels on to the parents as the same
        // event; it is handled once, at its first receiver.
        // The next press often comes in a new event at the same address:
        // it counts as the same one only on its way up to a parent, and a
        // release between two presses ends the first.
        const bool propagated = event == lastKeyEvent_ && lastKeyReceiver_ && widget != lastKeyReceiver_ &&
                                widget->isAncestorOf(lastKeyReceiver_);
        lastKeyEvent_ = event;
        lastKeyReceiver_ = widget;
        const auto key = WindowKeyOf(*static_cast<QKeyEvent*>(event));
        if (key && !propagated) RunGuarded(*this, [&] { FormKeyDown(ws_, *this, *key); });
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Ui -----------------------------------------------------------------

void MainForm::setStatusText(const std::string& text)
{
    statusLine_->setText(QString::fromStdString(text));
    statusLine_->setToolTip(QString::fromStdString(StatusLineHint(text)));
}

std::string MainForm::statusText() const { return statusLine_->text().toStdString(); }

void MainForm::showSelection()
{
    if (graph_ && graph_->isVisible()) graph_->refresh();
    if (table_ && table_->isVisible()) table_->refresh();
}

void MainForm::setProgressMaximum(int maximum) { progressBar_->setMaximum(maximum); }

void MainForm::setProgressMinimum(int minimum) { progressBar_->setMinimum(minimum); }

void MainForm::setProgressPosition(int position) { progressBar_->setValue(position); }

void MainForm::setText(TextField field, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    switch (field) {
    case TextField::InputCaption: inputPanel_->setCaption(t); break;
    case TextField::ResultCaption: resultPanel_->setCaption(t); break;
    case TextField::CombineText: combineText_->setText(t); break;
    case TextField::SaturationText: saturationText_->setText(t); break;
    case TextField::SaveButtonCaption:
        actionButtons_[static_cast<std::size_t>(ActionButton::Save)]->setText(t);
        break;
    }
}

void MainForm::setActionEnabled(ActionButton button, bool enabled)
{
    actionButtons_[static_cast<std::size_t>(button)]->setEnabled(enabled);
}

void MainForm::showControl(ControlId id, const ControlState& state)
{
    const ControlWidgets& c = controls_[Index(id)];
    const QSignalBlocker blockWidget(c.widget);
    const QSignalBlocker blockGroup(c.buttons);
    c.widget->setEnabled(state.enabled);
    c.widget->setVisible(state.visible);
    if (c.buttons) {
        if (QAbstractButton* item = c.buttons->button(state.value)) {
            const QSignalBlocker blockItem(item);
            item->setChecked(true);
        }
    } else if (auto* check = qobject_cast<QCheckBox*>(c.widget)) {
        check->setChecked(state.value != 0);
    } else if (auto* range = qobject_cast<QAbstractSlider*>(c.widget)) {
        range->setRange(state.minimum, state.maximum);
        range->setSingleStep(state.step);
        if (qobject_cast<QScrollBar*>(range)) range->setPageStep(state.step);
        range->setValue(state.value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(c.widget)) {
        spin->setRange(state.minimum, state.maximum);
        spin->setSingleStep(state.step);
        spin->setValue(state.value);
    }
}

void MainForm::lightQualityLamps(int mark)
{
    for (std::size_t i = 0; i < lamps_.size(); ++i) lamps_[i]->setLit(static_cast<int>(i) == mark);
}

// The viewer follows every redraw of the result and every shown input picture.
void MainForm::showResultView(const Bitmap24& view)
{
    const QImage picture = ToQImage(view);
    resultBox_->setPicture(picture);
    if (viewer_) viewer_->setResult(picture);
}

void MainForm::closeEvent(QCloseEvent* event)
{
    if (ws_.loadRunning || ws_.autoAligning) {
        ws_.abortRequested = true;
        ws_.aligning = false;
    }
    if (graph_) graph_->close();
    if (viewer_) viewer_->close();
    if (table_) table_->close();
    QWidget::closeEvent(event);
}

void MainForm::showCorrectionActive(bool active)
{
    auto* button = findChild<QPushButton*>("LoadCorrectionBMPbutton");
    QFont font = button->font();
    font.setBold(active);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, active ? QColor(128, 0, 0) : QApplication::palette().color(QPalette::ButtonText));
    button->setPalette(palette);
}

void MainForm::showInputView(const Bitmap24& view)
{
    const QImage picture = ToQImage(view);
    inputBox_->setPicture(picture);
    if (viewer_) viewer_->setInput(picture);
    // Offsets set by hand, and those of a search as it goes, show as their
    // picture is drawn.
    if (table_ && table_->isVisible()) table_->refresh();
}

std::optional<std::string> MainForm::askOpenFileName(const FileDialogRequest& request)
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    return RunFileDialog(dialog, request);
}

std::optional<ChosenSaveFile> MainForm::askSaveFileName(const FileDialogRequest& request)
{
    QFileDialog dialog(this);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // A name typed without an extension gets the chosen filter's.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString pattern = filter.section('(', 1).section(' ', 0, 0);
        if (pattern.startsWith("*.")) dialog.setDefaultSuffix(pattern.mid(2).toLower());
    });
    const auto path = RunFileDialog(dialog, request);
    if (!path) return std::nullopt;
    return ChosenSaveFile{*path, static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()))};
}

void MainForm::showError(const std::string& message)
{
    QMessageBox::critical(this, QApplication::applicationName(), QString::fromStdString(message), QMessageBox::Ok);
}

void MainForm::processEvents() { QCoreApplication::processEvents(); }

void MainForm::repaintResultBox()
{
    resultBox_->setStretched(ws_.controls.checked(ControlId::AutosizeCheckBox));
    resultBox_->update();
}

}  // namespace quivane
