// Stands in for pontavi-bind113 in the tests of PortHelper: it speaks the
// helper's protocol on descriptor 3 without any privilege. argv[1] picks the
// case: "113" sends a listening socket on 127.0.0.1 (any port), "1" reports
// EACCES, "2" ends without a word, "3" never answers. Before anything else
// it checks what the real helper may rely on: no environment and no
// descriptor of the program's beyond 0 to 3 (ENOTEMPTY otherwise).

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

extern char** environ;

namespace {

void Reply(std::int32_t error, int fd) {
    iovec data{&error, sizeof error};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    if (fd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof fd);
    }
    ::sendmsg(3, &message, MSG_NOSIGNAL);
}

bool OnlyStandardDescriptors() {
    for (int fd = 4; fd < 256; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    if (environ[0] != nullptr || !OnlyStandardDescriptors()) {
        Reply(ENOTEMPTY, -1);
        return 1;
    }
    const int which = argv[1][0] == '1' && argv[1][1] == '1' ? 113 : argv[1][0] - '0';
    if (which == 113) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 5) != 0) {
            Reply(errno, -1);
            return 1;
        }
        Reply(0, fd);
        return 0;
    }
    if (which == 1) {
        Reply(EACCES, -1);
        return 1;
    }
    if (which == 3) {
        ::pause();
    }
    return 1;
}
