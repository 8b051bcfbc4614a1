#include "launch/app_exec.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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
    request.program = ExeName;
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
        request.workingDirectory = exePath_;
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
    switch (ErrNo) {
        case -1:
            return "Pas d'exécution";
        case 0:
            return "Système dépassé en capacité mémoire, exécutable corrompu, ou réallocations "
                   "invalides";
        case 2:
            return "Fichier non trouvé";
        case 3:
            return "Chemin non trouvé";
        case 5:
            return "Tentative de liaison dynamique à une tâche, ou erreur de partage, ou erreur "
                   "de protection réseau";
        case 6:
            return "Librairie nécessitant des segments de données séparés pour chaque tâche";
        case 8:
            return "Mémoire insuffisante pour démarrer l'application";
        case 10:
            return "Version de Windows incorrecte";
        case 11:
            return "Exécutable invalide, application non Windows, ou erreur dans l'image du "
                   "fichier .EXE";
        case 12:
            return "Application écrite pour un système d'exploitation différent";
        case 13:
            return "Application écrite pour MS-DOS 4.0";
        case 14:
            return "Type d'exécutable inconnu";
        case 15:
            return "Tentative de chargement d'une application en mode réel (développée pour une "
                   "version antérieure de Windows)";
        case 16:
            return "Tentative de chargement d'une seconde instance d'un exécutable contenant "
                   "plusieurs segments de données non marqués en lecture seule";
        case 19:
            return "Tentative de chargement d'un exécutable compressé. Le fichier doit être "
                   "décompressé avant de pouvoir être chargé";
        case 20:
            return "Fichier Dynamic-link library (DLL) invalide. Une des DLLs requises pour "
                   "exécuter cette application est corrompue";
        case 21:
            return "Application nécessitant des extensions 32-bit";
        default:
            break;
    }
    return ErrNo >= 32 ? "Pas d'erreur" : "";
}

}  // namespace pontavi
