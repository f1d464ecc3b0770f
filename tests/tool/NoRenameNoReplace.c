/* Stands for a file system without renameat2's no-replace rename (NFS): a
   test loads it into ofx-render with LD_PRELOAD. */
#define _GNU_SOURCE
#include <errno.h>

int renameat2(int oldDir, const char* oldPath, int newDir, const char* newPath, unsigned flags)
{
    (void)oldDir;
    (void)oldPath;
    (void)newDir;
    (void)newPath;
    (void)flags;
    errno = EINVAL;
    return -1;
}
