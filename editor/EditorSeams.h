#pragma once
// What the editor window asks of people and of the system: every dialog and every program start
// goes through here, so tests answer them and nothing blocks.

#include "editor/ScriptDocument.h"

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QWidget;

class EditorSeams {
public:
    using Answer = SaveAnswer;
    virtual ~EditorSeams() = default;
    // A question with Yes, No and Cancel.
    virtual Answer AskYesNoCancel(const QString& text) = 0;
    // A question with Yes and No.
    virtual bool Confirm(const QString& text) = 0;
    virtual void Inform(const QString& text) = 0;
    virtual void Fail(const QString& text) = 0;
    // The save dialog of script files; an empty name when it was cancelled.
    virtual QString SaveAsName(const QString& folder, const QString& current) = 0;
    // A picture file for the toolbar; empty when none was chosen.
    virtual QString PictureName() = 0;
    // Starts a program without waiting for it; false with the reason when it could not start.
    virtual bool Start(const std::vector<std::string>& argv, std::string& error) = 0;
    // The same, and `ended` gets the program's exit status once it has ended (never when these
    // seams cannot watch it).
    virtual bool StartWatched(const std::vector<std::string>& argv, std::string& error,
                              std::function<void(int exitCode)> ended);
    // A menu popped up at a screen point until it is dismissed; the chosen item, or none.
    virtual QAction* PopUp(QMenu& menu, const QPoint& at);
    // A dialog shown modally until it closes; its result.
    virtual int RunModal(QDialog& dialog);
};

// Qt's message boxes and file dialogs, and real program starts.
class WidgetSeams : public EditorSeams {
public:
    explicit WidgetSeams(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    Answer AskYesNoCancel(const QString& text) override;
    bool Confirm(const QString& text) override;
    void Inform(const QString& text) override;
    void Fail(const QString& text) override;
    QString SaveAsName(const QString& folder, const QString& current) override;
    QString PictureName() override;
    bool Start(const std::vector<std::string>& argv, std::string& error) override;
    bool StartWatched(const std::vector<std::string>& argv, std::string& error,
                      std::function<void(int exitCode)> ended) override;

private:
    QWidget* owner_;
};
