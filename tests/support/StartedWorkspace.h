#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TempFolder.h"
#include "support/FakeUi.h"
#include "actions/WorkspaceActions.h"

namespace quivane::testing {

// A workspace as the window leaves it after start-up, a scripted window and
// a scratch folder for the files a test writes.
class StartedWorkspace : public ::testing::Test {
protected:
    explicit StartedWorkspace(const std::string& tag) : temp(tag), folder(temp.path())
    {
        FormCreate(ws, ui);
    }

    TempFolder temp;
    std::filesystem::path folder;
    Workspace ws{"/opt/quivane"};
    FakeUi ui;
};

}  // namespace quivane::testing
