#include "core/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/filename.h>
#include <wx/log.h>

namespace {

bool ReadBytes(const wxString& path, std::string& bytes) {
    FILE* file = std::fopen(path.fn_str(), "rb");
    if (!file)
        return false;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A name no other writer uses: several saves may run at once from tests, and a
// leftover of a crashed run must not be reused.
wxString TemporaryNameFor(const wxString& path) {
    static std::atomic<unsigned> counter{0};
    return wxString::Format("%s.%ld.%u.tmp", path, static_cast<long>(::getpid()), counter++);
}

// Makes the rename itself durable; failure here does not undo a completed rename.
void SyncDirectoryOf(const wxString& path) {
    const wxString dir = wxFileName(path).GetPath();
    const int fd = ::open(dir.empty() ? "." : static_cast<const char*>(dir.fn_str()), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool ReadTextFile(const wxString& path, wxString& text) {
    std::string bytes;
    if (!ReadBytes(path, bytes))
        return false;
    text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return true;
}

bool ReplaceFileAtomically(const wxString& path, const std::string& bytes) {
    const wxString temp = TemporaryNameFor(path);
    const int fd = ::open(temp.fn_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        wxLogError("Cannot create %s (%s)", temp, wxSysErrorMsgStr(errno));
        return false;
    }
    struct stat old {};
    if (::stat(path.fn_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.fn_str(), path.fn_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        wxLogError("Cannot write %s (%s)", path, wxSysErrorMsgStr(error));
        ::unlink(temp.fn_str());
        return false;
    }
    SyncDirectoryOf(path);
    return true;
}
