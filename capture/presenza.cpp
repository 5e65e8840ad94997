#include "presenza.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace cattura {

namespace {

int gFile = -1;
pid_t gPid = 0;  // a forked child inherits the parent's mark and must make its own
std::string gCartellaSegnata;

bool numero(const char* nome, long& valore) {
    char* fine = nullptr;
    errno = 0;
    valore = std::strtol(nome, &fine, 10);
    return errno == 0 && fine != nome && std::string(fine) == ".pid" && valore > 0;
}

}  // namespace

std::string cartellaPresenze() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (xdg != nullptr && xdg[0] == '/' && stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(xdg) + "/velmora";
    return "/tmp/velmora-" + std::to_string(getuid());
}

bool segnaPresenza(const std::string& cartella) {
    if (gFile >= 0 && gCartellaSegnata == cartella && gPid == getpid()) return true;
    if (mkdir(cartella.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat sc {};
    if (lstat(cartella.c_str(), &sc) != 0 || !S_ISDIR(sc.st_mode) || sc.st_uid != getuid())
        return false;
    const std::string percorso = cartella + "/" + std::to_string(getpid()) + ".pid";
    // Another process may take a freshly made file for a leftover and remove it between our
    // open and our lock: check that the locked file is still the one at the path.
    for (int prova = 0; prova < 5; ++prova) {
        const int fd = open(percorso.c_str(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return false;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return false;
        }
        struct stat a {
        }, b{};
        if (fstat(fd, &a) == 0 && stat(percorso.c_str(), &b) == 0 && a.st_ino == b.st_ino &&
            a.st_dev == b.st_dev) {
            if (gFile >= 0) close(gFile);
            gFile = fd;
            gPid = getpid();
            gCartellaSegnata = cartella;
            return true;
        }
        close(fd);
    }
    return false;
}

bool altraPresenza(const std::string& cartella) {
    DIR* d = opendir(cartella.c_str());
    if (d == nullptr) return false;
    const long mio = static_cast<long>(getpid());
    bool trovato = false;
    while (dirent* voce = readdir(d)) {
        long pid = 0;
        if (!numero(voce->d_name, pid) || pid == mio) continue;
        const std::string percorso = cartella + "/" + voce->d_name;
        const int fd = open(percorso.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) trovato = true;
        } else {
            unlink(percorso.c_str());  // nobody holds it: a copy that has ended
        }
        close(fd);
        if (trovato) break;
    }
    closedir(d);
    return trovato;
}

}  // namespace cattura
