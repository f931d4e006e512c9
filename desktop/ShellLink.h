#pragma once
// Shell links as freedesktop desktop entries (".desktop" where the shell had ".lnk"): the target
// and its arguments in Exec, the working folder in Path, the description in Comment, the show
// command and hot key in keys of our own. A link's file name can be placed in one of the
// user's shell folders.

#include "platform/Errors.h"

#include <cstdint>
#include <string>

class EShellLink : public Exception {
public:
    using Exception::Exception;
};

enum TLangType { ltFrench, ltEnglish };

enum TShellFolder {
    sfNone, sfDesktop, sfFavorites, sfFonts, sfPersonal, sfPrograms, sfRecent, sfSendTo,
    sfSendToFtp, sfStartMenu, sfStartup, sfTemplates,
};

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A key with its shift state: the key in the low byte, scShift, scCtrl and scAlt above it.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;

class TShellLink {
public:
    // The file extension of a link, and the subfolder of the Send-To folder for sfSendToFtp.
    static constexpr const char* LinkExtension = ".desktop";
    static constexpr const char* SendToFtpFolder = "Pellisar";

    TShellLink();

    const std::string& FileName() const { return fileName_; }
    // Places the name in ShellFolder (a missing Pellisar folder is made) and gives it the link
    // extension (".lnk" becomes it); a bare extension gives an empty name. EShellLink when the
    // shell folder is unknown or cannot be made.
    void SetFileName(const std::string& name);

    TShellFolder ShellFolder() const { return shellFolder_; }
    // Moves FileName into the new folder, as SetFileName would place it.
    void SetShellFolder(TShellFolder folder);

    TLangType LangType() const { return langType_; }
    void SetLangType(TLangType lang);

    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);
    int ShowCommand() const { return showCommand_; }

    TShortCut HotKey() const;
    void SetHotKey(TShortCut key);
    std::uint16_t HotKeyWord() const { return hotKey_; }

    std::string Target;
    std::string WorkingDir;
    std::string Description;
    std::string Arguments;  // a command line, split by Windows quoting rules into Exec

    // Writes FileName (created or replaced); EShellLink "Write error." on failure.
    void Save();
    // Reads FileName into the properties; EShellLink "Link not found." when it is missing,
    // "Read error." when it is no desktop entry.
    void Load();

    // The path of a shell folder, Pellisar appended for sfSendToFtp; empty for sfNone and for
    // folders this desktop does not have.
    static std::string ShellFolderPath(TShellFolder folder);

private:
    struct Texts {
        const char* writeError;
        const char* readError;
        const char* notFound;
        const char* noFolder;
        const char* folderNotMade;
    };
    static const Texts EnglishTexts;
    static const Texts FrenchTexts;
    std::string placed(const std::string& name, TShellFolder folder) const;
    bool isSendTo() const;

    std::string fileName_;
    TLangType langType_ = ltFrench;
    const Texts* texts_ = nullptr;
    int showCommand_ = 1;
    std::uint16_t hotKey_ = 0;
    TShellFolder shellFolder_ = sfNone;
};
