// Gives a tun device its carrier, as pppd does for a ppp unit: attaches to the
// named device (creating it, without persistence, when it does not exist)
// and holds it until killed.
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2 || std::strlen(argv[1]) >= IFNAMSIZ) {
        std::fprintf(stderr, "usage: %s INTERFACE\n", argv[0]);
        return 2;
    }
    const int fd = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::perror("/dev/net/tun");
        return 1;
    }
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, argv[1], IFNAMSIZ - 1);
    if (::ioctl(fd, TUNSETIFF, &request) != 0) {
        std::perror("TUNSETIFF");
        return 1;
    }
    for (;;) {
        ::pause();
    }
}
