// Stands in for the C library's fsync in a program started with this
// library in LD_PRELOAD. With FLASHDISK_FSYNC_FAILS set every fsync fails
// with EIO, as on a disk that reports its write errors only when the data
// are flushed. With FLASHDISK_FSYNC_MODES naming a file, each fsync of a
// regular file first appends that file's mode in octal there: who could
// read the file while it was being written.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern "C" int fsync(int descriptor) {
  if (const char* log = std::getenv("FLASHDISK_FSYNC_MODES")) {
    struct stat status {};
    if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
      if (std::FILE* file = std::fopen(log, "a")) {
        std::fprintf(file, "%o\n", static_cast<unsigned>(status.st_mode & 07777));
        std::fclose(file);
      }
    }
  }
  if (std::getenv("FLASHDISK_FSYNC_FAILS") != nullptr) {
    errno = EIO;
    return -1;
  }
  using Fsync = int (*)(int);
  static const auto real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
  return real(descriptor);
}
