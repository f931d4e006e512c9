#pragma once
// The script being edited, without a window: its file (bytes of a path, possibly none yet), the
// encoding it is written back in, its byte-order mark, what the file was when it was read, and
// whether the text has changed since. Loading, saving and the ask-save decision live here; the
// window shows what the signals say.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

enum class SaveAnswer { Yes, No, Cancel };

// What a file was when it was looked at: a file replaced or rewritten by another program differs.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = -1;  // -1: no file
    std::int64_t mtimeNs = 0;
    bool exists() const { return size >= 0; }
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file a path names (through symbolic links).
FileIdentity IdentityOf(const std::string& path);

class ScriptDocument : public QObject {
    Q_OBJECT
public:
    enum class Decision { Proceed, SaveFirst, Cancel };
    // Before a command replaces the text: go on, save first, or stop. `answer` is the user's
    // answer to the question, none when the command saves without asking.
    static Decision AskSaveDecision(bool modified, std::optional<SaveAnswer> answer);

    // The questions a save may have to ask; each answers true to go on.
    struct SaveQuestions {
        // The file was changed by another program since it was read: overwrite it?
        std::function<bool(const std::string& path)> overwriteChanged;
        // The text holds characters the script's 8-bit encoding cannot: save it as UTF-8?
        std::function<bool(const std::string& path)> saveAsUtf8;
    };
    struct SaveResult {
        enum Status { Saved, Cancelled, Failed } status = Failed;
        std::string error;  // why it failed, for the user
        bool saved() const { return status == Saved; }
    };

    explicit ScriptDocument(QObject* parent = nullptr) : QObject(parent) {}

    const std::string& Path() const { return path_; }
    bool Utf8() const { return utf8_; }
    bool ByteOrderMark() const { return bom_; }
    const FileIdentity& Identity() const { return identity_; }
    bool Modified() const { return modified_; }
    void SetModified(bool modified);

    // Reads the script: the text to show (password fields in plain text). Raises Exception when it
    // cannot be read; the document is then as it was.
    QString Load(const std::string& path);
    // A new text without a file: UTF-8, no mark.
    void New();
    // The file went away (removed): the text stays, without a file.
    void Forget();
    // Writes `text` to `path` (the document's own file when empty). Nothing is written when a
    // question is answered no or the file may not be replaced; the text then stays changed.
    SaveResult Save(const QString& text, const std::string& path, const SaveQuestions& ask);

    // The text's lines as bytes of the script's encoding, and bytes of it back as text.
    std::vector<std::string> Lines(const QString& text) const;
    QString Shown(const std::string& bytes) const;

signals:
    void modifiedChanged(bool modified);
    void fileNameChanged(const QString& path);

private:
    void SetPath(const std::string& path);

    std::string path_;
    bool utf8_ = true;
    bool bom_ = false;
    FileIdentity identity_;
    bool modified_ = false;
};
