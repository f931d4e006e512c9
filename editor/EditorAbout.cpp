// The editor's side of the about box and the start-up splash.

#include "editor/AboutBox.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"

void TScriptingEditor::About1Click()
{
    TFTPabout box(this);
    seams_.RunModal(box);
}

void TScriptingEditor::SetSplash(std::unique_ptr<QWidget> splash)
{
    splash_ = std::move(splash);
}

void TScriptingEditor::HideSplash()
{
    if (!splash_) return;
    splash_->hide();
    splash_.reset();
}
