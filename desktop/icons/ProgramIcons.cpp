#include "desktop/icons/ProgramIcons.h"

#include <QString>

static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace programicons {

QIcon ProgramIcon(const char* name)
{
    initIconResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name)).arg(size), QSize(size, size));
    return icon;
}

}  // namespace programicons
