/* A read-only passthrough file system that waits a set time before answering each request,
 * as a file server across a network answers after a round trip. It is for measuring how a
 * program behaves on a calls folder behind a share:
 *
 *     slowfs SOURCE MOUNTPOINT MICROSECONDS [FUSE options, e.g. -f -o max_threads=64]
 *
 * Requests are served by many threads, so requests sent at once wait their time together, as
 * a server answers requests in flight. Attributes and names are cached by the kernel as
 * libfuse's defaults say (one second); file contents are read from SOURCE at every open.
 * Every operation, the reading of a folder's listing page by page included, waits. */
#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static struct timespec delay;
static int source = -1;

static void wait_round_trip(void) {
    struct timespec left = delay;
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

/* "/a/b" below SOURCE, as a path relative to it. */
static const char* relative(const char* path) {
    return path[1] ? path + 1 : ".";
}

static void* slow_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    (void)conn;
    cfg->use_ino = 1;
    return NULL;
}

static int slow_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    wait_round_trip();
    int res = fi ? fstat((int)fi->fh, st) : fstatat(source, relative(path), st, AT_SYMLINK_NOFOLLOW);
    return res == 0 ? 0 : -errno;
}

static int slow_readlink(const char* path, char* buf, size_t size) {
    wait_round_trip();
    ssize_t n = readlinkat(source, relative(path), buf, size - 1);
    if (n < 0) return -errno;
    buf[n] = '\0';
    return 0;
}

static int slow_access(const char* path, int mask) {
    wait_round_trip();
    return faccessat(source, relative(path), mask, 0) == 0 ? 0 : -errno;
}

struct folder {
    DIR* dir;
    struct dirent* entry;
    off_t offset;
};

static int slow_opendir(const char* path, struct fuse_file_info* fi) {
    wait_round_trip();
    int fd = openat(source, relative(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -errno;
    struct folder* f = calloc(1, sizeof *f);
    if (!f || !(f->dir = fdopendir(fd))) {
        int err = errno;
        close(fd);
        free(f);
        return -err;
    }
    fi->fh = (uint64_t)(uintptr_t)f;
    return 0;
}

/* One page of the listing per request, as the kernel asks for them. */
static int slow_readdir(const char* path, void* buf, fuse_fill_dir_t filler, off_t offset,
                        struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path;
    (void)flags;
    wait_round_trip();
    struct folder* f = (struct folder*)(uintptr_t)fi->fh;
    if (offset != f->offset) {
        seekdir(f->dir, offset);
        f->entry = NULL;
        f->offset = offset;
    }
    for (;;) {
        if (!f->entry) {
            errno = 0;
            f->entry = readdir(f->dir);
            if (!f->entry) return errno ? -errno : 0;
        }
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = f->entry->d_ino;
        st.st_mode = (mode_t)(f->entry->d_type << 12);
        off_t next = telldir(f->dir);
        if (filler(buf, f->entry->d_name, &st, next, 0)) break;
        f->entry = NULL;
        f->offset = next;
    }
    return 0;
}

static int slow_releasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    struct folder* f = (struct folder*)(uintptr_t)fi->fh;
    closedir(f->dir);
    free(f);
    return 0;
}

static int slow_open(const char* path, struct fuse_file_info* fi) {
    wait_round_trip();
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    int fd = openat(source, relative(path), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int slow_read(const char* path, char* buf, size_t size, off_t offset,
                     struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    ssize_t n = pread((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int slow_flush(const char* path, struct fuse_file_info* fi) {
    (void)path;
    (void)fi;
    wait_round_trip();
    return 0;
}

static int slow_release(const char* path, struct fuse_file_info* fi) {
    (void)path;
    wait_round_trip();
    close((int)fi->fh);
    return 0;
}

static int slow_statfs(const char* path, struct statvfs* st) {
    (void)path;
    wait_round_trip();
    return fstatvfs(source, st) == 0 ? 0 : -errno;
}

static const struct fuse_operations operations = {
    .init = slow_init,
    .getattr = slow_getattr,
    .readlink = slow_readlink,
    .access = slow_access,
    .opendir = slow_opendir,
    .readdir = slow_readdir,
    .releasedir = slow_releasedir,
    .open = slow_open,
    .read = slow_read,
    .flush = slow_flush,
    .release = slow_release,
    .statfs = slow_statfs,
};

int main(int argc, char* argv[]) {
    if (argc < 4) {
        fprintf(stderr, "usage: slowfs SOURCE MOUNTPOINT MICROSECONDS [FUSE options]\n");
        return 2;
    }
    source = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (source < 0) {
        perror(argv[1]);
        return 1;
    }
    long us = strtol(argv[3], NULL, 10);
    delay.tv_sec = us / 1000000;
    delay.tv_nsec = (us % 1000000) * 1000;
    /* libfuse sees: slowfs MOUNTPOINT [options] */
    argv[3] = argv[2];
    argv[2] = argv[0];
    return fuse_main(argc - 2, argv + 2, &operations, NULL);
}
