#include "paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#endif

namespace paths {
namespace {

QString &programFolderOverride()
{
    static QString folder;
    return folder;
}

QString &workFolderBaseOverride()
{
    static QString folder;
    return folder;
}

int &runningLocallyOverride()
{
    static int value = -1;
    return value;
}

} // namespace

QString programFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    // Set by the starter of a classroom machine, which runs a local copy of the program for
    // the folder on the share: a program whose pages came from the share dies when the
    // network goes, while a local one waits for the share to come back.
    const QString started = qEnvironmentVariable("EXAM_PROGRAM_FOLDER");
    if (!started.trimmed().isEmpty())
        return started;
    return QCoreApplication::applicationDirPath();
}

QString dataRoot()
{
    return programFolder().trimmed();
}

void setProgramFolderForTesting(const QString &folder)
{
    programFolderOverride() = folder;
}

QString join(const QString &folder, const QString &relative)
{
    if (folder.isEmpty())
        return relative;
    QString rel = relative;
    while (rel.startsWith(u'/') || rel.startsWith(u'\\'))
        rel.remove(0, 1);
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + rel;
    return folder + u'/' + rel;
}

bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0));
}

QString resolve(const QString &root, const QStringList &components)
{
    if (root.isEmpty())
        return {};
    for (const QString &component : components) {
        if (!isPlainName(component))
            return {};
    }
    QString current = root;
    for (const QString &component : components) {
        const QString exact = join(current, component);
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        QString found;
        const QDir dir(current);
        if (dir.exists()) {
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString &entry : entries) {
                if (entry.compare(component, Qt::CaseInsensitive) == 0) {
                    found = entry;
                    break;
                }
            }
        }
        current = join(current, found.isEmpty() ? component : found);
    }
    return current;
}

QStringList listFiles(const QString &folder, const QStringList &patterns)
{
    if (folder.isEmpty())
        return {};
    QList<QRegularExpression> wildcards;
    for (const QString &pattern : patterns) {
        wildcards.append(QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                            QRegularExpression::CaseInsensitiveOption));
    }
    QStringList result;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        for (const QRegularExpression &re : wildcards) {
            if (re.match(entry).hasMatch()) {
                result.append(entry);
                break;
            }
        }
    }
    return result;
}

QString catalogueFile()
{
    return resolve(dataRoot(), {QStringLiteral("sys"), QStringLiteral("sys.cho")});
}

QString sysFile(const QString &name)
{
    return resolve(dataRoot(), {QStringLiteral("sys"), name});
}

QString paperFolder(const QString &paper)
{
    return resolve(dataRoot(), {QStringLiteral("SHIJUAN"), paper.trimmed()});
}

QString paperFile(const QString &paper)
{
    const QString name = paper.trimmed();
    return resolve(dataRoot(), {QStringLiteral("SHIJUAN"), name, name + QStringLiteral(".cho")});
}

QString scoreFolder(const QString &paper)
{
    return resolve(dataRoot(), {QStringLiteral("CHENGJI"), paper.trimmed()});
}

QString answerRecordFile(const QString &paper, const QString &className, const QString &number)
{
    return resolve(dataRoot(), {QStringLiteral("CHENGJI"), paper.trimmed(),
                                className.trimmed() + number.trimmed() + QStringLiteral(".cho")});
}

QString languageFile()
{
    return join(programFolder(), QStringLiteral("Language.txt"));
}

QString helpFolder()
{
    return join(programFolder(), QStringLiteral("help"));
}

QString workFolder(const QString &program)
{
    QString base = workFolderBaseOverride();
    if (base.isEmpty()) {
#ifdef Q_OS_WIN
        base = QStringLiteral("C:/KORVEX");
#else
        base = join(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation), QStringLiteral("KORVEX"));
#endif
    }
    const QString folder = join(base, program);
    if (!QDir().mkpath(folder))
        return {};
    return folder;
}

bool runningLocally()
{
    if (runningLocallyOverride() >= 0)
        return runningLocallyOverride() == 1;
#ifdef Q_OS_WIN
    const QString folder = programFolder().toLower();
    return folder.contains(QLatin1String("c:")) || folder.contains(QLatin1String("d:"));
#elif defined(Q_OS_LINUX)
    struct statfs info {};
    if (statfs(QFile::encodeName(programFolder()).constData(), &info) != 0)
        return true;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:     // NFS
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x517BUL:     // SMB
    case 0x65735546UL: // FUSE (sshfs and other user-space file systems)
    case 0x564C0000UL: // NCP
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS
    case 0x6B414653UL: // kAFS
    case 0x47504653UL: // GPFS
    case 0x013111A8UL: // IBRIX
    case 0x19830326UL: // fhgfs/BeeGFS
    case 0x0BD00BD0UL: // Lustre
    case 0x00C36400UL: // Ceph
    case 0x7461636FUL: // OCFS2
    case 0x01161970UL: // GFS2
    case 0x61636673UL: // ACFS
    case 0x1021997UL:  // 9p (virtio shares)
        return false;
    default:
        return true;
    }
#else
    return true;
#endif
}

void setWorkFolderBaseForTesting(const QString &folder)
{
    workFolderBaseOverride() = folder;
}

void setRunningLocallyForTesting(int value)
{
    runningLocallyOverride() = value;
}

} // namespace paths
