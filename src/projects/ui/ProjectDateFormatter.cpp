#include "projects/ui/ProjectDateFormatter.h"

namespace projects_ui {

QString ProjectDateFormatter::string(const QDateTime& date) const
{
    return locale_.toString(date.toLocalTime(), QString::fromLatin1(pattern));
}

} // namespace projects_ui
