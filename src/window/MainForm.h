#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <string>

#include "window/RememberedPlaces.h"
#include "workspace/Ui.h"
#include "workspace/Workspace.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QSettings;

namespace quivane {

class CaptionPanel;
class OffsetTableWindow;
class PictureBox;
class PictureViewer;
class QualityGraph;
class QualityLamp;

// The main window: a fixed layout of panels whose controls mirror the
// workspace. It forwards every user change to the actions and shows what the
// actions tell it; it holds no processing of its own.
class MainForm : public QWidget, public Ui {
    Q_OBJECT

public:
    // The dialogs' folders and the own windows' places are kept in `places`
    // between runs (it must outlive the window); without it, nothing is.
    explicit MainForm(const std::string& programFolder, QSettings* places = nullptr, QWidget* parent = nullptr);
    ~MainForm() override;

    Workspace& workspace() { return ws_; }
    // The quality graph window, opened (and made) from the Quality menu;
    // null until then.
    QualityGraph* qualityGraph() const;
    void openQualityGraph();
    // The picture viewer, opened (and made) from the View menu or by a
    // double-click on the result box; null until then.
    PictureViewer* pictureViewer() const;
    void openPictureViewer();
    // The offsets and marks table, opened (and made) from the View menu;
    // null until then.
    OffsetTableWindow* offsetTable() const;
    void openOffsetTable();

    // Ui
    void setStatusText(const std::string& text) override;
    std::string statusText() const override;
    void setProgressMaximum(int maximum) override;
    void setProgressMinimum(int minimum) override;
    void setProgressPosition(int position) override;
    void setText(TextField field, const std::string& text) override;
    void setActionEnabled(ActionButton button, bool enabled) override;
    void showControl(ControlId id, const ControlState& state) override;
    void lightQualityLamps(int mark) override;
    void showResultView(const Bitmap24& view) override;
    void repaintResultBox() override;
    void showInputView(const Bitmap24& view) override;
    void showCorrectionActive(bool active) override;
    void showSelection() override;
    std::optional<std::string> askOpenFileName(const FileDialogRequest& request) override;
    std::optional<ChosenSaveFile> askSaveFileName(const FileDialogRequest& request) override;
    void showError(const std::string& message) override;
    void processEvents() override;

protected:
    // Sees every key of the window before the focused control does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window while a load or a search runs ends it after the
    // frame in hand, so the process does not work on invisibly.
    void closeEvent(QCloseEvent* event) override;

private:
    struct ControlWidgets {
        QWidget* widget = nullptr;         // spin edit, check box, slider, scroll bar or group box
        QButtonGroup* buttons = nullptr;   // radio groups only
    };

    void buildMenu();
    void buildLocalAlignmentMenu(QMenu* options);
    void buildQualityMenu();
    void buildViewMenu();
    // Puts a new window of its own beside this one where the screen has room.
    void placeBeside(QWidget* window);
    // Gives a new window of its own the place it was last closed in, or
    // else `place` runs.
    template <class Place>
    void placeNewWindow(QWidget* window, const QString& name, Place place);
    // Keeps the dialogs' folders and the own windows' places for the next run.
    void rememberPlaces();
    void askKeepBest();
    void buildLoadPanel();
    void buildAlignPanel();
    void buildCombinePanel();
    void buildDeconvolutionPanel();
    void buildInputPanel();
    void buildQualityPanel();
    void buildSavePanel();
    void buildResultPanel();
    void buildShowResultPanel();
    void buildHistogramPanel();
    void buildStatusArea();

    QPushButton* addButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                           const QString& hint);
    void addCheckBox(ControlId id, QWidget* parent, const char* name, const QString& caption, const QRect& geometry,
                     const QString& hint);
    void addSpinEdit(ControlId id, QWidget* parent, const char* name, const QRect& geometry, const QString& hint);
    void addRadioGroup(ControlId id, QWidget* parent, const char* name, const QString& title,
                       const QStringList& items, int columns, const QRect& geometry, const QString& hint);
    void addScrollBar(ControlId id, Qt::Orientation orientation, QWidget* parent, const char* name,
                      const QRect& geometry, const QString& hint);
    QLabel* addLabel(QWidget* parent, const QString& text, const QRect& geometry);
    void setKernelGlyph(QAbstractButton* button);

    void userChanged(ControlId id, int value);
    void connectActions();
    bool handleInputBoxMouse(QEvent* event);
    template <class Action>
    void onClick(const char* buttonName, Action action);
    void centreOnScreen();

    Workspace ws_;
    std::array<ControlWidgets, ControlCount> controls_{};
    std::array<QPushButton*, 5> actionButtons_{};
    std::array<QualityLamp*, 4> lamps_{};
    CaptionPanel* inputPanel_ = nullptr;
    CaptionPanel* resultPanel_ = nullptr;
    PictureBox* inputBox_ = nullptr;
    PictureBox* resultBox_ = nullptr;
    QLabel* combineText_ = nullptr;
    QLabel* saturationText_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QWidget* content_ = nullptr;  // the panels, at their fixed places
    QMenuBar* menuBar_ = nullptr;
    QPointer<QualityGraph> graph_;
    QPointer<PictureViewer> viewer_;
    QPointer<OffsetTableWindow> table_;
    RememberedPlaces places_;
    QProgressBar* progressBar_ = nullptr;
    std::array<QPushButton*, 3> kernelButtons_{};
    const QEvent* lastKeyEvent_ = nullptr;
    QPointer<QWidget> lastKeyReceiver_;
};

}  // namespace quivane
