#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "acquire/SequenceNames.h"
#include "pipeline/SeriesLoading.h"
#include "pipeline/CalculationRecord.h"
#include "combine/LocalPlan.h"
#include "enhance/Kernel.h"
#include "image/Bitmap.h"
#include "image/Picture.h"
#include "image/PictureMemory.h"
#include "output/SaveFormat.h"
#include "prepare/Debayer.h"
#include "prepare/FrameCorrection.h"
#include "select/KeepBest.h"
#include "tone/FineClahe.h"
#include "tone/ToneSettings.h"
#include "workspace/Controls.h"
#include "workspace/FileDialogKind.h"

namespace quivane {

// The picture boxes of the window are 192 x 144; alignment compares a region
// of that size, and the start pictures have it.
constexpr int ViewBoxWidth = 192;
constexpr int ViewBoxHeight = 144;

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Working folders, each ending in a separator. They only serve as the
// initial folders of dialogs and of saving; nothing creates or requires them.
struct Folders {
    std::string program;
    std::string psf;
    std::string picture;
    std::string video;
    std::string result;
};

// The folder each file dialog was last used in, kept by the window between
// runs (empty when a dialog never was), and which dialogs chose a file in
// this run. A dialog opens in its remembered folder only until a choice of
// this run moves the working folder it shares: from then on the run goes as
// it would without a memory.
struct DialogFolders {
    std::array<std::string, FileDialogKindCount> remembered;
    std::array<bool, FileDialogKindCount> chosen{};
};

// The bitmap open dialog is one dialog shared by the sequence, kernel and
// correction buttons: it keeps the file chosen last, and its filter changes
// once a kernel or correction file has been asked for.
struct BitmapDialogState {
    std::string heldFile;
    bool windowsFilter = false;
};

// Names of the series being loaded, without folder.
struct LoadNames {
    std::string chosenFile;  // the AVI file or the first bitmap
    std::string lastFile;    // the last bitmap
    std::string chosenExtension;  // upper-case with its dot; kept from load to load
};

// Where the pictures of the last load came from and how they were made, so
// that the series can be read again to score it.
struct LoadedSource {
    enum class Kind { None, Bitmaps, Capture };
    Kind kind = Kind::None;
    std::string folder;     // bitmaps: the folder, ending in a separator
    SequenceNames names;    // bitmaps: the sequence
    std::string extension;  // bitmaps: upper-case with its dot
    std::string path;       // a capture: the file
    SeriesSettings settings;
};

// Frame selection: whether loads score their frames, the keep rule last
// chosen, and the status text a bad picture's reason replaced.
struct SelectionState {
    bool scoreWhileLoading = true;
    KeepRule keepRule;
    bool keepApplied = false;     // the marks came from the rule and no load came since
    std::string faultText;        // the reason shown in the status line, if any
    std::string textBeforeFault;  // what the status line said before it
};

// The one state object of the program: everything it knows lives here for
// the whole run. Its constructor gives the start-up values that do not depend
// on the window; `FormCreate` completes the rest.
struct Workspace {
    explicit Workspace(const std::string& programFolder);

    Folders folders;
    DialogFolders dialogFolders;

    PictureSeries pictures;
    int pictureCount = 0;
    int framesRead = 0;
    bool picturesLoaded = false;
    LoadNames loadNames;
    LoadedSource loadedSource;
    SelectionState selection;
    BitmapDialogState bitmapDialog;
    // A load or an automatic alignment is running; its event pump must not
    // let an action start that would change the picture list under it.
    bool loadRunning = false;
    bool autoAligning = false;

    // The working size: the chosen width takes effect at the next load.
    int resultSize = 192;
    int resultWidth = 768;
    int resultHeight = 576;
    int maxPictures = 0;
    int pictureMemoryMiB = DefaultPictureMemoryMiB;
    // How a capture's colour mosaic is read.
    BayerChoice bayer = BayerChoice::Auto;

    int enlargement = 2;
    bool fullPicture = false;
    bool abortRequested = false;
    bool firstLoadPending = true;

    Bitmap24 inputView;
    Bitmap24 resultView;

    // Alignment and browsing.
    int referencePicture = 0;
    int displayedPicture = 1;
    bool aligning = false;
    bool mouseHeld = false;
    // Manual alignment: mouse position plus offset at mouse down. Choosing a
    // region: the last mouse position in picture coordinates.
    Point dragAnchor;
    Point inputWindowSize{ViewBoxWidth, ViewBoxHeight};
    Point viewOrigin{-1, -1};  // (-1, -1): the compared region is centred

    // Local alignment (the Options menu): after an automatic search, points
    // over the object are aligned on their own; the plan serves the
    // calculation runs until the next alignment or load.
    bool localAlignment = false;
    int localBoxSize = 0;         // 0: from the working size and enlargement
    int localKeepPercent = 100;   // the sharpest share each point stacks
    LocalPlan localPlan;

    // Combination and enhancement, as the controls last set them.
    CalculationSettings calculation;
    // The last run, kept for 16-bit and float saves, and the equalisations
    // applied to its result since.
    CalculationRecord lastRun;
    std::vector<ClaheStep> equalisedSinceRun;
    std::string kernelFileName = "_Gauss15x15.bmp";
    Bitmap24 kernelBitmap;
    KernelSlots kernels;

    // Display and tone.
    int showMode = 0;
    ToneSettings tone;
    bool biasGainOn = false;
    bool lookupTableOn = false;
    bool claheOn = false;
    bool map0255On = false;

    // Saving.
    int saveCounter = 0;
    std::string resultFileName;
    // What "&Save" writes; a 24-bit bitmap unless the user picks another.
    SaveChoice automaticSave;

    CorrectionState correction;

    Controls controls;
};

// Destroys every picture, the result picture included, and gives back the
// list's storage.
void ClearPictureList(Workspace& ws);

// A load or an automatic search is running: its event pump must not start an
// action that would change the picture list under it.
inline bool LoopRunning(const Workspace& ws) { return ws.loadRunning || ws.autoAligning; }

// The number of input pictures actually in the list.
inline int InputPictureCount(const Workspace& ws)
{
    return std::min(ws.pictureCount, ws.pictures.inputCount());
}

// Picture n (0 is the result) is loaded.
inline bool IsLoadedPicture(const Workspace& ws, int n)
{
    return n >= 0 && n <= ws.pictureCount && !ws.pictures.empty() && n <= ws.pictures.inputCount();
}

}  // namespace quivane
