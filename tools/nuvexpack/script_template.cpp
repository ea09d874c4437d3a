#include "script_template.h"

#include <algorithm>
#include <map>
#include <system_error>
#include <vector>

#include "diagnostics.h"
#include "ini_document.h"

namespace nuvex::pack {

namespace {

// @NAME@, @TREE@ and @SHORTCUTS@ are filled in; everything else is written as it stands.
// The [Wizard] texts double as the English hints of the builder's empty-text warnings.
const char kTemplate[] = R"(; Installer script of @NAME@, written by nuvexpack new.
;
; Build:    nuvexpack build setup.ini -o setup.exe --strict
; Check:    nuvexpack list setup.exe
; Reference of every key: script-reference.md beside nuvexpack.md.
;
; Texts: "|" starts a new line; "%s" stands for szInstallAppName in szLabelUvod, the
; szText... texts and the status and error texts. Flags are true or false. Texts are read
; in the code page below (the builder converts a UTF-8 script into it).

[Wizard]
; Language of the installer's two splash lines: en or cz.
defaultlang=en
; Windows code page of the texts (builder only): 1252 Western, 1250 Central European...
codepage=1252
szInstallAppName=@NAME@
; The folder below szInstDir; autonametopath appends it to every folder chosen.
szInstallAppDir=@NAME@
szInstDir=C:\Program Files
autonametopath=true
; An uninstaller, its log and an entry in the list of installed programs.
includeuninst=true
; The system check: refuse a family of Windows, and whether the user may go on anyway.
erroronwinnt=false
erroronwin9x=false
allowbadwindows=true
szbackgroundsublabel=The installer of @NAME@
szbackgroundminitext=Built with Nuvex

; Buttons (at most 31 characters each).
szButtonNext=Next >
szButtonBack=< Back
szButtonCancel=Cancel
szButtonInstall=Install
szButtonDone=Finish
szButtonBrowse=Browse...
szBrowseTitle=Choose a folder
szButtonUnInstall=Remove

; The pages in their order: heading (szLabel...) and text (szText...).
szLabelUvod=Welcome to %s
szTextUvod=This wizard installs %s on your computer.||Close all other programs before you go on, then click Next.
szLabelInfo=About this product
szTextInfo=%s is installed into a folder of its own and can be removed again from the list of installed programs.
szLabelLicence=Licence
szTextLicence=%s comes with the licence terms in its folder.|By clicking Next you accept them.
szLabelTarget=Destination folder
szTextTarget=%s will be installed into the folder below.|To choose another folder, click Browse.
szLabelTyp=Type of installation
szTextTyp=How much of|%s|do you want|to install?
szLabelCustom=Components
szTextCustom=Choose the parts of %s to install.
szLabelInstall=Ready to install
szTextInstall=Setup is ready to install %s.|Click Install to start.
szLabelKonec=Installation complete
szTextKonec=%s is now installed.|Click Finish to close the wizard.
szLabelError=Installation failed
szTextError=%s could not be installed.
szTextError1=Click Cancel to close the wizard.

; While the files are copied.
szInstalling=Installing %s
szInstallerPreparing=Preparing to install %s...
szInstallerInstallingPart=Installing
szInstallerEnding=Finishing the installation of %s...

; The uninstaller's window.
szLabelUninst=Remove %s
szTextUninst=Do you want to remove %s and all of its parts from your computer?

; Errors during the installation and the system check.
szErrorNES=There is not enough free space on the disk to install %s.
szErrorNEM=There is not enough memory to install %s.
szErrorCRC=The installer of %s is damaged.|Download it again.
szErrorWin=%s does not run on this version of Windows. Install it anyway?
szErrorDIR=The destination folder cannot be created.|Choose another folder.

[Design]
ShowBackground=true
; default, solid or gradient; colours are decimal 0x00BBGGRR numbers.
backgroundtype=gradient
backgroundonok=1
bgcolor1=8388608
bgcolor2=0
colorappname=65535
colorappinfo=16776960
colorauthor=12632256
; default (a small window) or bar (a strip across the screen).
progressstyle=default

[Dialogs]
; The optional pages; false leaves a page out.
AppInfo=true
Licence=true
TargetDir=true
InstType=true

[Components]
; 1 to 9 sections [Component0], [Component1]...
NumberOfComponents=1

[InstTypes]
; Types 0 to 4 install a preset choice of components; type 5 lets the user tick them.
Type0=Typical
Type0Enabled=true
Type5=Custom
Type5Enabled=true

[Component0]
Title=@NAME@
Requied=true
UseInInstType0=true
UseInInstType5=true
; Every file and folder below the product folder, into the target folder itself.
tree00=@TREE@
@SHORTCUTS@)";

constexpr char kShortcutsNone[] =
    "; No .exe was found in the product folder, so no shortcut is made:\n"
    "; start00=bin\\tool.exe\n"
    "; start00title=Tool\n";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The first program below `dir`, by path, preferring the top folder; as a script path.
std::string FindProgram(const fs::path& dir) {
    std::vector<std::vector<std::string>> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && ToLower(it->path().extension().string()) == ".exe") {
            std::vector<std::string> parts;
            for (const fs::path& part : fs::relative(it->path(), dir, ec)) {
                parts.push_back(part.string());
            }
            found.push_back(parts);
        }
    }
    if (found.empty()) {
        return {};
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    std::string out;
    for (const std::string& part : found.front()) {
        out += (out.empty() ? "" : "\\") + part;
    }
    return out;
}

}  // namespace

std::string CheckProductName(const std::string& name) {
    if (TrimBlanks(name).size() != name.size() || name.empty()) {
        return "the product name must not be empty nor start or end with a blank";
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\/:*?\"<>|%").find(c) != std::string_view::npos) {
            return "the product name becomes a folder name and so cannot hold \"" +
                   std::string(1, c) + "\" (nor any of \\ / : * ? \" < > | %)";
        }
    }
    if (name.size() > 200) {
        return "the product name is longer than 200 characters";
    }
    return {};
}

std::string NewScriptText(const std::string& name, const std::string& tree,
                          const std::string& program) {
    std::string text = kTemplate;
    std::string shortcuts = kShortcutsNone;
    if (!program.empty()) {
        shortcuts = "; Shortcuts in the Start menu group and on the desktop.\nstart00=" + program +
                    "\nstart00title=" + name + "\ndesktop00=" + program +
                    "\ndesktop00title=" + name + "\n";
    }
    ReplaceAll(text, "@SHORTCUTS@", shortcuts);
    ReplaceAll(text, "@TREE@", tree);
    ReplaceAll(text, "@NAME@", name);
    return text;
}

void WriteNewScript(const NewScriptOptions& options) {
    if (std::string why = CheckProductName(options.name); !why.empty()) {
        throw PackError(why);
    }
    std::error_code ec;
    if (!fs::is_directory(options.sourceDir, ec)) {
        throw PackError("the product folder " + PathText(options.sourceDir) + " does not exist");
    }
    if (fs::exists(fs::symlink_status(options.output, ec))) {
        throw PackError(PathText(options.output) +
                        " exists already; nuvexpack new writes a new script only");
    }
    // tree00 is read relative to the script's folder, as build reads it without --source.
    fs::path scriptDir = fs::absolute(options.output, ec).parent_path();
    fs::path source = fs::absolute(options.sourceDir, ec).lexically_normal();
    fs::path relative = source.lexically_relative(scriptDir);
    std::string tree;
    if (relative.empty()) {
        tree = source.string();  // another drive: an absolute source, which needs the ">"
    } else {
        for (const fs::path& part : relative) {
            tree += (tree.empty() ? "" : "\\") + part.string();
        }
    }
    tree += ">";
    TempOutput out(options.output);
    out.file().Write(NewScriptText(options.name, tree, FindProgram(options.sourceDir)));
    out.Commit();
}

const char* TemplateText(const std::string& key) {
    static const std::map<std::string, std::string> texts = [] {
        std::map<std::string, std::string> m;
        IniDocument doc = IniDocument::Parse(kTemplate);
        if (const IniSection* wizard = doc.FindSection("Wizard")) {
            for (const IniLine& line : wizard->body) {
                if (line.kind == IniLine::Kind::kKey && line.value.find('@') == std::string::npos) {
                    m[ToLower(line.name)] = line.value;
                }
            }
        }
        return m;
    }();
    auto it = texts.find(ToLower(key));
    return it == texts.end() ? nullptr : it->second.c_str();
}

}  // namespace nuvex::pack
