/* The floor an Ident server can reach on this machine: a minimal responder,
 * one thread, one epoll set, edge-free (level-triggered) reads. It answers
 * every CR LF-terminated line with "<line> : USERID : UNIX : <name>", keeps
 * the connection open until the client closes it, and drops what a client
 * sends past 1024 bytes without a line end. No logging, no lookups: what the
 * program costs beyond this is its own work per query.
 *
 * usage: bench_ident_floor PORT [NAME]   (listens on 127.0.0.1; ends on SIGTERM)
 */
#define _GNU_SOURCE
#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

enum { kMaxFds = 4096, kLineRoom = 1024, kEvents = 64 };

struct conn {
    size_t used;
    char in[kLineRoom];
};

static struct conn* conns[kMaxFds];

static void drop(int ep, int fd) {
    epoll_ctl(ep, EPOLL_CTL_DEL, fd, NULL);
    close(fd);
    free(conns[fd]);
    conns[fd] = NULL;
}

/* One reply per complete line; a reply the socket cannot take at once is
 * dropped, as a full write buffer drops it in the program. */
static void answer_lines(int fd, struct conn* c, const char* name) {
    char out[kLineRoom * 2];
    size_t start = 0;
    for (size_t i = 1; i < c->used; ++i) {
        if (c->in[i - 1] != '\r' || c->in[i] != '\n') {
            continue;
        }
        const int n = snprintf(out, sizeof out, "%.*s : USERID : UNIX : %s\r\n",
                               (int)(i - 1 - start), c->in + start, name);
        if (n > 0 && send(fd, out, (size_t)n, MSG_NOSIGNAL) < 0 && errno != EAGAIN) {
            return;
        }
        start = i + 1;
    }
    memmove(c->in, c->in + start, c->used - start);
    c->used -= start;
}

static void serve(int ep, int fd, const char* name) {
    struct conn* c = conns[fd];
    if (c->used == sizeof c->in) {
        c->used = 0; /* a line longer than the buffer is not an Ident query */
    }
    const ssize_t got = recv(fd, c->in + c->used, sizeof c->in - c->used, 0);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        drop(ep, fd);
        return;
    }
    if (got > 0) {
        c->used += (size_t)got;
        answer_lines(fd, c, name);
    }
}

static void accept_all(int ep, int listener) {
    for (;;) {
        const int fd = accept4(listener, NULL, NULL, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return; /* EAGAIN: taken them all; anything else: try at the next event */
        }
        struct conn* c = fd < kMaxFds ? calloc(1, sizeof *c) : NULL;
        struct epoll_event ev = {.events = EPOLLIN, .data.fd = fd};
        if (c == NULL || epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev) != 0) {
            free(c);
            close(fd);
            continue;
        }
        conns[fd] = c;
    }
}

static int listen_on(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    struct sockaddr_in at = {.sin_family = AF_INET, .sin_port = htons((uint16_t)port)};
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd, (struct sockaddr*)&at, sizeof at) != 0 || listen(fd, 128) != 0) {
        perror("ident_floor: listen");
        exit(1);
    }
    return fd;
}

int main(int argc, char** argv) {
    if (argc < 2 || atoi(argv[1]) <= 0 || atoi(argv[1]) > 65535) {
        fprintf(stderr, "usage: %s PORT [NAME]\n", argv[0]);
        return 2;
    }
    const char* name = argc > 2 ? argv[2] : "floor";
    const int listener = listen_on(atoi(argv[1]));
    const int ep = epoll_create1(EPOLL_CLOEXEC);
    struct epoll_event ev = {.events = EPOLLIN, .data.fd = listener};
    if (ep < 0 || epoll_ctl(ep, EPOLL_CTL_ADD, listener, &ev) != 0) {
        perror("ident_floor: epoll");
        return 1;
    }
    struct epoll_event events[kEvents];
    for (;;) {
        const int n = epoll_wait(ep, events, kEvents, -1);
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == listener) {
                accept_all(ep, listener);
            } else if (conns[fd] != NULL) {
                serve(ep, fd, name);
            }
        }
        if (n < 0 && errno != EINTR) {
            perror("ident_floor: epoll_wait");
            return 1;
        }
    }
}
