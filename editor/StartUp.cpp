#include "editor/StartUp.h"

#include "controls/effects/EffApplication.h"
#include "editor/ScriptingEditor.h"
#include "editor/SplashForm.h"

#include <QApplication>

std::unique_ptr<TScriptingEditor> StartEditor(const std::function<std::unique_ptr<TScriptingEditor>()>& makeMainWindow)
{
    EffApplication();
    auto splash = std::make_unique<TSplashForm>();
    splash->show();
    splash->repaint();
    QApplication::processEvents();
    qApp->setProperty(ApplicationTitleProperty, QString::fromUtf8(ApplicationTitle));
    std::unique_ptr<TScriptingEditor> editor = makeMainWindow();
    editor->SetSplash(std::move(splash));
    return editor;
}
