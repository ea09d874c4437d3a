/* Preloaded into 32-bit Wine when it runs under qemu-i386 user emulation, on hosts whose
 * kernel cannot run i386 code itself.
 *
 * At start-up Wine reserves the address space above 0x7ffe0000 with mmap(MAP_FIXED_NOREPLACE)
 * and, whenever a request fails, halves it and tries both halves. qemu-i386 7.x treats
 * MAP_FIXED_NOREPLACE as a mere hint there and answers each request with a slow search for
 * some other place, so Wine ends up making some 65,000 refused calls, which costs about a
 * minute per process. Here the flag gets its real meaning back: the range is checked against
 * the guest's own mappings and, when free, mapped with MAP_FIXED in one call. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

typedef void* (*mmap64_fn)(void*, size_t, int, int, int, off64_t);

/* True when [start, end) overlaps nothing in /proc/self/maps (qemu shows the guest's view). */
static int range_is_free(uint64_t start, uint64_t end) {
    char buf[1024];
    char line[128];
    size_t used = 0;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    int free_range = 1;
    ssize_t n;
    while (free_range && (n = read(fd, buf, sizeof buf)) > 0) {
        for (ssize_t i = 0; i < n && free_range; i++) {
            if (buf[i] != '\n') {
                if (used < sizeof line - 1)
                    line[used++] = buf[i];
                continue;
            }
            line[used] = 0;
            used = 0;
            unsigned long long lo, hi;
            if (sscanf(line, "%llx-%llx", &lo, &hi) == 2 && lo < end && start < hi)
                free_range = 0;
        }
    }
    close(fd);
    return free_range;
}

static void* fixed_noreplace(void* addr, size_t len, int prot, int flags, int fd, off64_t off) {
    static mmap64_fn real;
    if (!real)
        real = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    /* Only the area at the top of the 2 GB user space is affected; leave the rest alone. */
    if (!(flags & MAP_FIXED_NOREPLACE) || (uintptr_t)addr < 0x7f000000u || len == 0) {
        return real(addr, len, prot, flags, fd, off);
    }
    uint64_t start = (uintptr_t)addr, end = start + len;
    if (end > 0x100000000ull || !range_is_free(start, end)) {
        errno = EEXIST;
        return MAP_FAILED;
    }
    return real(addr, len, prot, (flags & ~MAP_FIXED_NOREPLACE) | MAP_FIXED, fd, off);
}

void* mmap(void* addr, size_t len, int prot, int flags, int fd, off_t off) {
    return fixed_noreplace(addr, len, prot, flags, fd, off);
}

void* mmap64(void* addr, size_t len, int prot, int flags, int fd, off64_t off) {
    return fixed_noreplace(addr, len, prot, flags, fd, off);
}
