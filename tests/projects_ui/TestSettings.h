#pragma once

// Private settings for one test: the settings object on its own defaults file in a temporary
// folder, which also serves as the test's scratch folder.

#include "platform/UserDefaults.h"
#include "settings/AppSettings.h"

#include <QTemporaryDir>

#include <memory>

namespace projects_ui {

struct TestSettings {
    QTemporaryDir folder;
    std::unique_ptr<platform::UserDefaults> defaults
        = std::make_unique<platform::UserDefaults>(folder.filePath(QStringLiteral("defaults.json")));
    std::unique_ptr<settings::AppSettings> settings = std::make_unique<settings::AppSettings>(*defaults);

    QString path(const QString& name) const { return folder.filePath(name); }
};

} // namespace projects_ui
