#pragma once

#include <string>
#include <vector>

#include "workspace/Ui.h"
#include "workspace/Workspace.h"

namespace quivane {

// One input picture as the offsets and marks table lists it.
struct OffsetTableRow {
    int picture = 0;  // 1..N
    int dx = 0;       // the offset the search found or the user set
    int dy = 0;
    int mark = QualityAvg;
    std::string markName;  // "Dont", "Bad", "Avg" or "Good"
    std::string score;     // the sharpness, or "—" until scored
    std::string fault;     // why the frame is bad; empty for a good one, "—" until scored
    bool bad = false;      // the frame was found to be no use
};

// The name the quality group gives a mark; a mark outside it by its number.
std::string MarkName(int mark);

// A sharpness in three significant digits, as the quality windows show it.
std::string ScoreText(double score);

// A row for each input picture in the list, in order.
std::vector<OffsetTableRow> OffsetTableRows(const Workspace& ws);

// Marks input picture n as the quality group marks the shown picture, after
// browsing to it so that the group, the lamps and the picture all show it.
// Does nothing for a picture not in the list or a mark the group lacks.
void MarkPicture(Workspace& ws, Ui& ui, int n, int mark);

}  // namespace quivane
