// Folder naming, the colour rules shared by the records and the metadata file, and the writing of
// a project's metadata file.

#include "projects/ProjectLibraryStore.h"

#include "platform/DebugLog.h"
#include "platform/StandardFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

namespace projects {

namespace {

// The longest file name the usual Linux file systems take, in bytes.
constexpr qsizetype maximumNameBytes = 255;

qsizetype utf8Size(QStringView text)
{
    return text.toUtf8().size();
}

// The longest start of `text` within `maximumBytes` of UTF-8 that ends between two characters as
// the reader sees them (an accent stays with its letter).
QString cutToUtf8Bytes(const QString& text, qsizetype maximumBytes)
{
    if (utf8Size(text) <= maximumBytes)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype kept = 0;
    qsizetype bytes = 0;
    for (qsizetype next = finder.toNextBoundary(); next > 0; next = finder.toNextBoundary()) {
        bytes += utf8Size(QStringView(text).sliced(kept, next - kept));
        if (bytes > maximumBytes)
            break;
        kept = next;
    }
    return text.left(kept);
}

// The name with the forbidden characters cut out and the pieces joined with "-"; not yet cut to length.
QString cleanedName(const QString& name)
{
    static const QString forbidden = QStringLiteral("/:\\?%*|\"<>");
    QStringList pieces;
    QString piece;
    for (const QChar c : name) {
        if (c == QChar(0))
            continue;
        if (forbidden.contains(c)) {
            if (!piece.isEmpty())
                pieces.append(piece);
            piece.clear();
        } else {
            piece.append(c);
        }
    }
    if (!piece.isEmpty())
        pieces.append(piece);
    return pieces.join(QLatin1Char('-'));
}

// "." and ".." name the folder itself and its parent; nothing left names nothing.
QString usableName(const QString& name)
{
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ? QStringLiteral("Project")
                                                                                       : name;
}

} // namespace

QString ProjectLibraryStore::colorSpaceRaw(const QString& outputColorModeRaw)
{
    if (outputColorModeRaw == QLatin1String("rec2020") || outputColorModeRaw == QLatin1String("rec2020PQ")
        || outputColorModeRaw == QLatin1String("rec2020HLG"))
        return QStringLiteral("rec2020");
    if (outputColorModeRaw == QLatin1String("p3D65PQ"))
        return QStringLiteral("p3d65");
    return QStringLiteral("rec709");
}

QString ProjectLibraryStore::outputColorModeRaw(const QString& colorSpaceRaw)
{
    if (colorSpaceRaw == QLatin1String("rec2020"))
        return QStringLiteral("rec2020");
    if (colorSpaceRaw == QLatin1String("p3d65"))
        return QStringLiteral("p3D65PQ");
    return QStringLiteral("rec709");
}

QString ProjectLibraryStore::sanitizedFolderName(const QString& name)
{
    return usableName(cutToUtf8Bytes(usableName(cleanedName(name)), maximumNameBytes));
}

QString ProjectLibraryStore::suffixedFolderName(const QString& name, const QString& suffix)
{
    const QString whole = usableName(cleanedName(name + suffix));
    if (utf8Size(whole) <= maximumNameBytes)
        return whole;
    return cutToUtf8Bytes(usableName(cleanedName(name)), maximumNameBytes - utf8Size(suffix)) + suffix;
}

auto ProjectLibraryStore::uniqueProjectFolder(const QString& baseFolder, const QString& baseName) -> UniqueFolder
{
    QString base = baseName.trimmed();
    if (base.isEmpty())
        base = QStringLiteral("Project Copy");
    const QDir parent(baseFolder);
    for (int number = 1; number <= 100; ++number) {
        const QString suffix = number == 1 ? QString() : QStringLiteral(" %1").arg(number);
        const QString path = parent.filePath(suffixedFolderName(base, suffix));
        if (!pathExists(path))
            return { base + suffix, path };
    }
    const QString suffix = QLatin1Char(' ') + ProjectInfo::idString(QUuid::createUuid()).left(4);
    return { base + suffix, parent.filePath(suffixedFolderName(base, suffix)) };
}

QString ProjectLibraryStore::defaultCloudProjectsRoot() const
{
    const QString root = !services_.cloudProjectsRoot.isEmpty()
        ? services_.cloudProjectsRoot
        : QDir(platform::applicationSupportDirectory()).filePath(QStringLiteral("Corvale/Cloud Projects"));
    if (!pathExists(root) && !QDir().mkpath(root))
        dlog("❌ [Projects] Could not create the cloud projects folder", root);
    return root;
}

void ProjectLibraryStore::writeProjectMetadataFile(const ProjectInfo& project)
{
    if (project.folderPath.isEmpty() || !QFileInfo(project.folderPath).isDir())
        return;
    ProjectMetadata metadata = ProjectMetadata::fromProject(project);
    metadata.colorSpaceRaw = colorSpaceRaw(project.outputColorModeRaw);
    const QString path = QDir(project.folderPath).filePath(QLatin1String(projectMetadataFilename));
    if (!metadata.writeFile(path))
        dlog("❌ [Projects] Could not write", path);
}

bool ProjectLibraryStore::pathExists(const QString& path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

std::error_code ProjectLibraryStore::createFolderExclusively(const QString& path)
{
    const std::filesystem::path folder(QFile::encodeName(QDir::cleanPath(path)).toStdString());
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    // Only the folder itself may report that it exists; a file in place of a parent is another fault.
    if (error == std::errc::file_exists)
        return std::make_error_code(std::errc::not_a_directory);
    if (error)
        return error;
    if (::mkdir(folder.c_str(), 0777) != 0)
        return { errno, std::generic_category() };
    return {};
}

} // namespace projects
