#include "base/file_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace printune {

int OpenRegularFile(const std::string& path, int64_t& size, int* err) {
    size = 0;
    // Non-blocking: opening a FIFO for reading would otherwise wait for a
    // writer for ever.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    int e = 0;
    struct stat st {};
    if (fd < 0)
        e = errno;
    else if (::fstat(fd, &st) != 0)
        e = errno;
    else if (!S_ISREG(st.st_mode))
        e = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    if (e) {
        if (fd >= 0)
            ::close(fd);
        if (err)
            *err = e;
        return -1;
    }
    // Reads of a regular file never block; clear the flag all the same.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<int64_t>(st.st_size);
    if (err)
        *err = 0;
    return fd;
}

bool IsNotRegularFileError(int err) {
    return err == EISDIR || err == EINVAL;
}

bool ReadFileAt(int fd, int64_t offset, uint8_t* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, out + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& out, int* err, int64_t maxBytes) {
    out.clear();
    int64_t size = 0;
    int fd = OpenRegularFile(path, size, err);
    if (fd < 0)
        return false;
    auto fail = [&](int e) {
        if (err)
            *err = e;
        ::close(fd);
        out.clear();
        out.shrink_to_fit();
        return false;
    };
    if (size > maxBytes)
        return fail(EFBIG);
    out.reserve(static_cast<size_t>(size));
    uint8_t buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            break;
        // The file may grow while it is read.
        if (static_cast<int64_t>(out.size()) + n > maxBytes)
            return fail(EFBIG);
        out.insert(out.end(), buffer, buffer + n);
    }
    ::close(fd);
    if (err)
        *err = 0;
    return true;
}

} // namespace printune
