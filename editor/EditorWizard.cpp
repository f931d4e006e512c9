// The editor's side of the script wizard: shown on demand, its script replaces the text.

#include "desktop/dialup/PhoneBook.h"
#include "editor/EditorSeams.h"
#include "editor/ScriptWizard.h"
#include "editor/ScriptingEditor.h"

void TScriptingEditor::ScriptingWizard1Click()
{
    TScriptWizard wizard(PhoneBook::DefaultPath(), this);
    // Finish replaces the text: a changed one is saved or given up first, or the wizard stays.
    wizard.BeforeFinish = [this] { return AskSaveChanges(true); };
    connect(&wizard, &TScriptWizard::Finished, this, [this](const QStringList& lines) { PutWizardScript(lines); });
    seams_.RunModal(wizard);
}

void TScriptingEditor::PutWizardScript(const QStringList& lines)
{
    doc_.New();
    PutText(lines.join(QLatin1Char('\n')));
    RefreshList();
    MarkChanged();
}
