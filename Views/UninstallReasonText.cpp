#include "Views/UninstallReasonText.h"

#include <QHash>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>

namespace corvanta::UninstallText {

namespace {

bool hasHan(const QString& text)
{
    for (const QChar c : text) {
        if (c.script() == QChar::Script_Han)
            return true;
    }
    return false;
}

// The kinds of failure the file layer and the administrator route name in their own words.
const QHash<QString, QString>& knownKinds()
{
    static const QHash<QString, QString> kinds{
        {QStringLiteral("no administrator helper"), QStringLiteral("没有可用的管理员授权方式")},
        {QStringLiteral("administrator helper unavailable"), QStringLiteral("没有可用的管理员授权方式")},
        {QStringLiteral("pkexec could not be started"), QStringLiteral("无法启动管理员授权")},
        {QStringLiteral("timed out"), QStringLiteral("管理员授权超时")},
        {QStringLiteral("not authorised"), QStringLiteral("未获得管理员授权")},
        {QStringLiteral("the helper refused the path"), QStringLiteral("管理员权限下仍拒绝删除此路径")},
        {QStringLiteral("file remains"), QStringLiteral("删除后文件仍然存在")},
        {QStringLiteral("a mount point lies inside"), QStringLiteral("其中有挂载点，已拒绝删除")},
        {QStringLiteral("a mount point"), QStringLiteral("这是挂载点，已拒绝删除")},
        {QStringLiteral("the folder is nested too deeply"), QStringLiteral("文件夹层级超过 256 层，过深的部分未删除")},
        {QStringLiteral("not an absolute path below a folder"), QStringLiteral("路径无效")},
        {QStringLiteral("relative component"), QStringLiteral("路径含相对部分，已拒绝删除")},
        {QStringLiteral("the parent folder cannot be opened"), QStringLiteral("无法打开所在文件夹")},
        {QStringLiteral("the parent folder is reached through a link"), QStringLiteral("所在文件夹经由链接到达，已拒绝删除")},
        {QStringLiteral("the parent folder cannot be read"), QStringLiteral("无法读取所在文件夹")},
        {QStringLiteral("the item cannot be examined"), QStringLiteral("无法读取该项目的信息")},
        {QStringLiteral("the item was replaced since the plan was made"), QStringLiteral("扫描之后该项目已被替换，已拒绝删除")},
        {QStringLiteral("the folder changed while it was opened"), QStringLiteral("删除时文件夹发生了变化")},
        {QStringLiteral("unknown"), QStringLiteral("原因未知")},
    };
    return kinds;
}

// The error numbers whose system texts the file layer passes on, found by their text. The
// highest number the C library knows is far below this bound.
constexpr int kHighestErrno = 200;

} // namespace

QString errnoReason(int error)
{
    switch (error) {
    case EPERM: return QStringLiteral("操作不被允许（权限不足）");
    case EACCES: return QStringLiteral("权限不足");
    case ENOENT: return QStringLiteral("文件不存在");
    case EIO: return QStringLiteral("读写出错");
    case EBUSY: return QStringLiteral("正在被使用");
    case EEXIST: return QStringLiteral("文件已存在");
    case EXDEV: return QStringLiteral("位于另一个文件系统上");
    case ENOTDIR: return QStringLiteral("路径中有一项不是文件夹");
    case EISDIR: return QStringLiteral("这是一个文件夹");
    case EINVAL: return QStringLiteral("路径无效");
    case ENFILE:
    case EMFILE: return QStringLiteral("打开的文件过多");
    case ETXTBSY: return QStringLiteral("文件正在被执行");
    case ENOSPC: return QStringLiteral("磁盘空间不足");
    case EROFS: return QStringLiteral("位于只读文件系统上");
    case ENAMETOOLONG: return QStringLiteral("路径过长");
    case ENOTEMPTY: return QStringLiteral("文件夹不为空");
    case ELOOP: return QStringLiteral("链接层级过多");
    case ESTALE: return QStringLiteral("文件已失效");
    case ENOMEM: return QStringLiteral("内存不足");
    case EINTR: return QStringLiteral("操作被中断");
    case EAGAIN: return QStringLiteral("暂时无法访问");
    default: return QStringLiteral("系统错误（错误码 ") + QString::number(error) + QStringLiteral("）");
    }
}

QString failureReason(const QString& reported)
{
    const QString text = reported.trimmed();
    if (text.isEmpty())
        return QStringLiteral("删除失败");
    if (hasHan(text))
        return text;
    if (const auto kind = knownKinds().constFind(text); kind != knownKinds().cend())
        return *kind;
    static const QRegularExpression helperStatus(QStringLiteral("^the helper failed \\(status (-?\\d+)\\)$"));
    if (const QRegularExpressionMatch m = helperStatus.match(text); m.hasMatch())
        return QStringLiteral("管理员授权删除失败（状态 ") + m.captured(1) + QStringLiteral("）");
    for (int error = 1; error <= kHighestErrno; ++error) {
        if (text == QString::fromLocal8Bit(std::strerror(error)))
            return errnoReason(error);
    }
    return QStringLiteral("删除失败（原因未知）");
}

} // namespace corvanta::UninstallText
