/* The plain sender the fleet figures set beside orvi-flash: for each
 * address, a process of its own connects to port 2864 and copies the file
 * to the socket in 1024-byte pieces, each written whole, with nothing
 * between the file and the socket. The file is the transfer's whole stream
 * (each DT header and file, then SR), so the printer receives what
 * orvi-flash sends it.
 *
 * usage: plain_sender FILE ADDRESS...
 * Exit status 0 when every process sent every byte. */
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

static int write_whole(int fd, const char *bytes, size_t n)
{
    while (n > 0) {
        ssize_t done = send(fd, bytes, n, MSG_NOSIGNAL);
        if (done <= 0)
            return 0;
        bytes += done;
        n -= (size_t)done;
    }
    return 1;
}

static int send_file(const char *path, const char *address)
{
    struct sockaddr_in to;
    memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(2864);
    if (inet_pton(AF_INET, address, &to.sin_addr) != 1)
        return 0;
    int in = open(path, O_RDONLY | O_CLOEXEC);
    int out = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int ok = in >= 0 && out >= 0 && connect(out, (struct sockaddr *)&to, sizeof to) == 0;
    char piece[1024];
    for (;;) {
        ssize_t n = ok ? read(in, piece, sizeof piece) : -1;
        if (n <= 0) {
            ok = ok && n == 0;
            break;
        }
        ok = write_whole(out, piece, (size_t)n);
    }
    if (in >= 0)
        close(in);
    if (out >= 0 && close(out) != 0)
        ok = 0;
    return ok;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: plain_sender FILE ADDRESS...\n");
        return 2;
    }
    int started = 0;
    for (int i = 2; i < argc; ++i) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(send_file(argv[1], argv[i]) ? 0 : 1);
        started += pid > 0;
    }
    int failed = argc - 2 - started;
    int status = 0;
    while (wait(&status) > 0)
        failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    return failed == 0 ? 0 : 1;
}
