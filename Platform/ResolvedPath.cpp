#include "Platform/ResolvedPath.h"

#include <QDir>
#include <QFile>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvanta {

namespace {

// An open folder that closes itself.
class Folder {
public:
    explicit Folder(int fd) : m_fd(fd) {}
    ~Folder() { reset(-1); }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd() const { return m_fd; }
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

constexpr int kOpenFlags = O_PATH | O_CLOEXEC;

// Pushes the components of `text` so that the first comes out first.
void pushComponents(std::vector<QByteArray>& pending, const QByteArray& text)
{
    const QList<QByteArray> parts = text.split('/');
    for (auto it = parts.crbegin(); it != parts.crend(); ++it)
        if (!it->isEmpty() && *it != ".")
            pending.push_back(*it);
}

} // namespace

QString resolvedPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    const QString absolute = path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path;
    std::vector<QByteArray> pending; // the components still to walk, the next one last
    pushComponents(pending, QFile::encodeName(absolute));

    std::vector<QByteArray> reached; // the components of the folder reached, from the root
    Folder folder(::open("/", kOpenFlags | O_DIRECTORY));
    int lookUps = 0;
    int links = 0;
    while (!pending.empty() && folder.fd() >= 0 && lookUps < ResolvedPathLimits::maxLookUps) {
        const QByteArray name = pending.back();
        ++lookUps;
        if (name == "..") {
            if (!reached.empty()) {
                const int parent = ::openat(folder.fd(), "..", kOpenFlags | O_DIRECTORY);
                if (parent < 0)
                    break;
                folder.reset(parent);
                reached.pop_back();
            }
            pending.pop_back();
            continue;
        }
        const int fd = ::openat(folder.fd(), name.constData(), kOpenFlags | O_NOFOLLOW);
        if (fd < 0)
            break;
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            ::close(fd);
            break;
        }
        if (S_ISLNK(info.st_mode)) {
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(fd, "", target, sizeof target);
            ::close(fd);
            if (length <= 0 || size_t(length) >= sizeof target || ++links > ResolvedPathLimits::maxLinks)
                break;
            pending.pop_back();
            const QByteArray text(target, qsizetype(length));
            if (text.startsWith('/')) {
                folder.reset(::open("/", kOpenFlags | O_DIRECTORY));
                reached.clear();
            }
            pushComponents(pending, text);
            continue;
        }
        folder.reset(fd);
        reached.push_back(name);
        pending.pop_back();
    }

    QByteArray out;
    for (const QByteArray& part : reached)
        out += '/' + part;
    for (auto it = pending.crbegin(); it != pending.crend(); ++it)
        out += '/' + *it;
    return out.isEmpty() ? QStringLiteral("/") : QFile::decodeName(out);
}

} // namespace corvanta
