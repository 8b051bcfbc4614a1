#include "ui/tray_images.h"

// Resources of a static library must be registered by hand, outside any namespace.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace pontavi {

QIcon trayImage(TrayImage image) {
    registerIconResources();
    switch (image) {
        case TrayImage::IconConnected:
            return QIcon(QStringLiteral(":/pontavi/icons/connected.png"));
        case TrayImage::IconCheckingMail:
            return QIcon(QStringLiteral(":/pontavi/icons/checking_mail.png"));
        case TrayImage::IconSettingClock:
            return QIcon(QStringLiteral(":/pontavi/icons/setting_clock.png"));
        case TrayImage::IconDialing:
            return QIcon(QStringLiteral(":/pontavi/icons/dialing.png"));
        case TrayImage::IconNotConnected:
            break;
    }
    return QIcon(QStringLiteral(":/pontavi/icons/not_connected.png"));
}

}  // namespace pontavi
