// Opening a 5,000-line script in the editor (load and colour every line) and typing a key in it,
// against the targets of 0.5 s and 16 ms. Prints the figures; run by bench/editor.sh.

#include "editor/EditorSeams.h"
#include "editor/ScriptingEditor.h"
#include "platform/AppPaths.h"
#include "printing/ScrollingRichEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

struct NoDialogs : EditorSeams {
    Answer AskYesNoCancel(const QString&) override { return Answer::No; }
    bool Confirm(const QString&) override { return false; }
    void Inform(const QString&) override {}
    void Fail(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    QString SaveAsName(const QString&, const QString&) override { return {}; }
    QString PictureName() override { return {}; }
    bool Start(const std::vector<std::string>&, std::string&) override { return false; }
};

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::string folder = std::filesystem::temp_directory_path() / "vantrel-editor-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/Scripts");
    apppaths::setProgramFolderForTesting(folder);
    {
        const char* lines[] = {"; ******* a comment line of the kind scripts are full of",
                               "HOST=\"ftp.example.org\"", "GET \"/pub/data/file.dat\" \"/home/me/in/file.dat\"",
                               ":Label", "IF success THEN", "LOCAL-EXECANDWAIT \"/usr/bin/gzip -9 out.log\"",
                               "ENDIF", "nothing known here", ""};
        for (const char* name : {"/Scripts/Long.ftp", "/Scripts/Long2.ftp"}) {
            std::ofstream out(folder + name, std::ios::binary);
            for (int i = 0; i < 5000; ++i) out << lines[i % std::size(lines)] << "\r\n";
        }
    }
    NoDialogs seams;
    TScriptingEditor editor(seams);
    editor.resize(1000, 700);
    editor.show();
    QApplication::processEvents();

    std::vector<double> opens;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        editor.SelectScript(run % 2 ? "Long.ftp" : "Long2.ftp");
        QApplication::processEvents();  // the first paint belongs to opening
        opens.push_back(Ms(std::chrono::steady_clock::now() - t0));
    }
    if (editor.Memo1()->document()->blockCount() < 5000 || editor.CurrentFileName().find("Long") == std::string::npos) {
        std::fprintf(stderr, "the script did not load\n");
        return 1;
    }

    std::vector<double> keys;
    for (int i = 0; i < 200; ++i) {
        editor.Memo1()->SetRow((i * 37) % 5000);
        QApplication::processEvents();
        const auto t0 = std::chrono::steady_clock::now();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(editor.Memo1(), &press);
        QApplication::processEvents();  // with its repaint
        keys.push_back(Ms(std::chrono::steady_clock::now() - t0));
    }
    const double open = Median(opens), key = Median(keys), keyWorst = *std::max_element(keys.begin(), keys.end());
    std::printf("open 5000-line script: median %.1f ms (target < 500 ms) %s\n", open, open < 500 ? "OK" : "SLOW");
    std::printf("typed key:             median %.2f ms, worst %.2f ms (target < 16 ms) %s\n", key, keyWorst,
                key < 16 ? "OK" : "SLOW");
    std::filesystem::remove_all(folder);
    return 0;
}
