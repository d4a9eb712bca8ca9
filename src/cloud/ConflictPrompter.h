#pragma once

// The question asked when a media file's name is already taken by another file in the project's
// Drive folder. The shell shows it as a dialog; tests answer it directly.
//
// Threads: called on the main thread; `answer` must be called once, on the main thread, and may
// be called later (the sync waits on its worker, the main thread keeps running).

#include <QString>

#include <functional>

namespace cloud {

enum class DuplicateConflictAction { cancel, overwrite, keepBoth };

class ConflictPrompter {
public:
    static constexpr const char* title = "Duplicate file name found";

    virtual ~ConflictPrompter() = default;

    // "\"clip.mov\" exists in both Local and Google Drive.\nChoose how to continue."
    static QString informativeText(const QString& filename)
    {
        return QLatin1Char('"') + filename + QLatin1String("\" exists in both Local and Google Drive.\n")
            + QLatin1String("Choose how to continue.");
    }

    // Buttons "Cancel", "Overwrite", "Keep Both"; closing the prompt any other way is cancel.
    virtual void promptDuplicateConflict(const QString& filename, std::function<void(DuplicateConflictAction)> answer)
        = 0;
};

} // namespace cloud
