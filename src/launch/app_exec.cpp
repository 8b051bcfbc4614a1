#include "launch/app_exec.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

namespace pontavi {

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveRoot(const std::string& path) {
    return path.size() == 3 && path[1] == ':' && path[2] == '\\' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

WindowHint hintOf(TWindowState state) {
    switch (state) {
        case TWindowState::wsMinimized:
            return WindowHint::Minimized;
        case TWindowState::wsMaximized:
            return WindowHint::Maximized;
        case TWindowState::wsNormal:
            break;
    }
    return WindowHint::Normal;
}

std::string absoluteOf(const std::string& path) {
    std::error_code ec;
    const auto full = std::filesystem::absolute(path, ec);
    return ec || path.empty() ? path : full.string();
}

}  // namespace

void TAppExec::setExePath(const std::string& path) {
    exePath_ = path;
    if (exePath_.size() > 1 && isSeparator(exePath_.back()) && !isDriveRoot(exePath_)) {
        exePath_.pop_back();
    }
}

void TAppExec::setWindowState(TWindowState state) {
    windowState_ = state;
    switch (state) {
        case TWindowState::wsNormal:
            showCmd_ = 1;
            break;
        case TWindowState::wsMinimized:
            showCmd_ = 2;
            break;
        case TWindowState::wsMaximized:
            showCmd_ = 3;
            break;
    }
}

std::string TAppExec::CommandLine() const {
    std::string line = ExeName;
    for (const auto& item : ExeParams) {
        line += ' ';
        line += item;
    }
    return line;
}

void TAppExec::Execute() {
    const std::string line = CommandLine();
    ProcessRequest request;
    // Relative names are taken from this program's folder, before the
    // started program's change of folder.
    request.program = absoluteOf(ExeName);
    request.parameters = line.substr(ExeName.size() + (ExeParams.empty() ? 0 : 1));
    request.window = hintOf(windowState_);
    request.wait = Wait;
    if (ChangeDir && !exePath_.empty()) {
        struct stat st {};
        if (::stat(exePath_.c_str(), &st) != 0) {
            throw EAppExecChDir(std::strerror(errno));
        }
        if (!S_ISDIR(st.st_mode)) {
            throw EAppExecChDir(std::strerror(ENOTDIR));
        }
        request.workingDirectory = absoluteOf(exePath_);
    }
    const int error = line.size() > kMaxCommandLine ? E2BIG : starter_.Start(request);
    if (error != 0) {
        ErrNo = error;
        throw EAppExecWinExec(GetErrorText());
    }
    if (Wait) {
        ErrNo = 0;
    }
}

std::string TAppExec::GetErrorText() const {
    // The errors a process start on Linux returns; ErrNo holds errno values.
    static const std::map<int, const char*> texts = {
        {-1, "Pas d'exécution"},
        {0, "Pas d'erreur"},
        {EPERM, "Opération non permise"},
        {ENOENT, "Fichier non trouvé"},
        {EIO, "Erreur d'entrée/sortie à la lecture du programme"},
        {E2BIG, "Ligne de commande trop longue"},
        {ENOEXEC, "Format d'exécutable inconnu (un script doit commencer par #!)"},
        {EAGAIN, "Trop de processus en cours, nouvel essai possible plus tard"},
        {ENOMEM, "Mémoire insuffisante pour démarrer l'application"},
        {EACCES,
         "Accès refusé : le fichier n'est pas exécutable, ou un dossier du chemin est "
         "fermé"},
        {ENOTDIR, "Chemin non trouvé : une partie du chemin n'est pas un dossier"},
        {EISDIR, "Le nom est celui d'un dossier, pas d'un programme"},
        {EINVAL, "Exécutable invalide"},
        {ENFILE, "Trop de fichiers ouverts sur le système"},
        {EMFILE, "Trop de fichiers ouverts"},
        {ETXTBSY, "Le programme est en cours d'écriture"},
        {ENAMETOOLONG, "Nom de fichier trop long"},
        {ELOOP, "Trop de liens symboliques dans le chemin"},
        {ELIBBAD, "Interpréteur ou bibliothèque du programme invalide"},
    };
    const auto found = texts.find(ErrNo);
    if (found != texts.end()) {
        return found->second;
    }
    return "Erreur système " + std::to_string(ErrNo) + " (" + std::strerror(ErrNo) + ")";
}

}  // namespace pontavi
