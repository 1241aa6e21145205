#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "window/MainForm.h"
#include "window/PictureBox.h"

namespace quivane::testing {

// The real window with its file dialogs answered from a script.
class ScriptedMainForm : public MainForm {
public:
    using MainForm::MainForm;
    std::deque<std::string> answers;
    std::vector<std::string> errorsShown;
    std::vector<FileDialogRequest> dialogsAsked;

    std::optional<std::string> askOpenFileName(const FileDialogRequest& request) override
    {
        dialogsAsked.push_back(request);
        return next();
    }
    std::optional<ChosenSaveFile> askSaveFileName(const FileDialogRequest& request) override
    {
        dialogsAsked.push_back(request);
        const auto path = next();
        if (!path) return std::nullopt;
        return ChosenSaveFile{*path, -1};
    }
    void showError(const std::string& message) override { errorsShown.push_back(message); }

private:
    std::optional<std::string> next()
    {
        if (answers.empty()) return std::nullopt;
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// A window with the first five sample frames loaded.
class LoadedWindowTest : public ::testing::Test {
protected:
    std::filesystem::path program =
        std::filesystem::temp_directory_path() / ("quivane_gui_align_" + std::to_string(::getpid()));
    std::unique_ptr<ScriptedMainForm> form;

    void Open(int resultWidth = 192, const char* lastFrame = "PLANET_0005.BMP", QSettings* places = nullptr)
    {
        namespace fs = std::filesystem;
        fs::create_directories(program / "Result");
        form = std::make_unique<ScriptedMainForm>(program.string(), places);
        form->show();
        auto* width = form->findChild<QSpinBox*>("ResultSizeSpinEdit");
        while (width->value() < resultWidth) width->stepUp();
        const fs::path samples = fs::path(QUIVANE_SAMPLES) / "Pictures";
        form->answers = {(samples / "PLANET_0001.BMP").string(), (samples / lastFrame).string()};
        QTest::mouseClick(form->findChild<QPushButton*>("LoadBMPButton"), Qt::LeftButton);
        ASSERT_EQ(form->workspace().pictureCount, std::stoi(std::string(lastFrame).substr(7, 4)));
    }
    void TearDown() override { std::filesystem::remove_all(program); }

    Workspace& ws() { return form->workspace(); }
    QWidget* inputBox() { return form->findChild<PictureBox*>("InputPicImage"); }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(),
                        static_cast<Qt::Key>(key), modifiers);
    }
};

inline QAction* MenuAction(QWidget& form, const char* name)
{
    auto* action = form.findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
}

}  // namespace quivane::testing
