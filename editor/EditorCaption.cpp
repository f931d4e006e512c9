// The editor's painted title bar; its three parts also make up the window text.

#include "controls/tabs/CaptionBar.h"
#include "editor/ScriptingEditor.h"

void TScriptingEditor::SetupPaintedCaption()
{
    paintedCaption_ = new TPaintedCaption(this);
    paintedCaption_->setObjectName(QStringLiteral("PaintedCaption1"));
    paintedCaption_->CompanyText().SetFontKind(fkSystemBI);
    paintedCaption_->CompanyText().SetCaption(QStringLiteral("Vantrel"));
    paintedCaption_->AppNameText().SetFontKind(fkSystemB);
    paintedCaption_->AppNameText().SetCaption(QStringLiteral("Dolmark -"));
    paintedCaption_->CaptionText().SetCaption(tr("FTP scripts"));
}
