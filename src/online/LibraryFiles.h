#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace tamvik {
class ServiceClient;
}

// The local project library: one folder per category under the library folder, one
// project archive per file. Category and project names come from the service and are not
// trusted: a name that could reach outside its folder is refused.

// False for names that are empty, "." or "..", or that hold '/', '\', NUL or another
// control character.
bool IsSafeLibraryName(const QString& name);

// The folder of a category: the library folder (a '/' added when it has none) followed by
// the category name; empty when the name is refused.
QString LibraryCategoryFolder(const QString& projectFolder, const QString& category);
// The local file of a library project inside its category folder; empty when a name is
// refused or the path would leave the library folder.
QString LibraryFilePath(const QString& projectFolder, const QString& category, const QString& project);

// Creates a category folder when missing: the last level first, then the whole path.
bool MakeCategoryFolder(const QString& folder);

enum class DownloadOutcome { Saved, Failed, Cancelled };

// Posts lines to url and streams the reply into a temporary file beside target, which
// replaces target only when the reply is complete, came with an HTTP status below 400 and
// holds a sound project archive; otherwise target stays as it was and nothing is left
// behind. The client's abort check cancels it. On failure error, when given, names the
// file or address and the cause ("<file>: <cause>").
DownloadOutcome DownloadProjectFile(tamvik::ServiceClient& client, const QString& url,
                                    const QStringList& lines, const QString& target,
                                    QString* error = nullptr);
