#pragma once
// The editor window's seams for tests: questions answered from prepared queues (an unexpected
// question fails the test), messages and program starts recorded.

#include "editor/EditorSeams.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Answers every question from prepared queues and records what was asked and started.
struct FakeSeams : EditorSeams {
    std::deque<Answer> answers;
    std::deque<bool> confirms;
    std::deque<QString> saveNames;
    std::vector<QString> asked, informed, failed;
    std::vector<std::vector<std::string>> started;
    bool startWorks = true;
    int exitStatus = 0;  // how a watched program ends, at once
    QString popUpChoice;  // the caption of the item chosen from a popped-up menu; empty dismisses it
    int popUps = 0;
    QString picture;  // what the picture dialog answers
    std::function<int(QDialog&)> modal;  // acts on a modal dialog instead of a user; none rejects it

    Answer AskYesNoCancel(const QString& text) override
    {
        asked.push_back(text);
        EXPECT_FALSE(answers.empty()) << "unexpected question: " << text.toStdString();
        if (answers.empty()) return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool Confirm(const QString& text) override
    {
        asked.push_back(text);
        EXPECT_FALSE(confirms.empty()) << "unexpected question: " << text.toStdString();
        if (confirms.empty()) return false;
        const bool c = confirms.front();
        confirms.pop_front();
        return c;
    }
    void Inform(const QString& text) override { informed.push_back(text); }
    void Fail(const QString& text) override { failed.push_back(text); }
    QString SaveAsName(const QString&, const QString&) override
    {
        if (saveNames.empty()) return {};
        const QString n = saveNames.front();
        saveNames.pop_front();
        return n;
    }
    QString PictureName() override { return picture; }
    bool Start(const std::vector<std::string>& argv, std::string& error) override
    {
        started.push_back(argv);
        if (!startWorks) error = "No such file or directory";
        return startWorks;
    }
    bool StartWatched(const std::vector<std::string>& argv, std::string& error,
                      std::function<void(int)> ended) override
    {
        if (!Start(argv, error)) return false;
        if (ended) ended(exitStatus);
        return true;
    }
    QAction* PopUp(QMenu& menu, const QPoint&) override
    {
        ++popUps;
        for (QAction* a : menu.actions())
            if (!popUpChoice.isEmpty() && a->text() == popUpChoice) return a;
        return nullptr;
    }
    int RunModal(QDialog& dialog) override { return modal ? modal(dialog) : int(QDialog::Rejected); }
};
