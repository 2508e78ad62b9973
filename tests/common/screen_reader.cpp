#include "tests/common/screen_reader.h"

#include <QAccessible>
#include <QGuiApplication>

// Qt keeps the switch in its platform layer, whose headers are not installed; these are the
// exported members it takes (declared here as Qt defines them, nothing more).
class QPlatformAccessibility {
public:
    void setActive(bool active);
};
class QPlatformIntegration {
public:
    QPlatformAccessibility* accessibility() const;
};
class QGuiApplicationPrivate {
public:
    static QPlatformIntegration* platform_integration;
};

namespace quillet::test {

bool SetScreenReaderActive(bool on) {
    QPlatformIntegration* platform = QGuiApplicationPrivate::platform_integration;
    QPlatformAccessibility* accessibility = platform ? platform->accessibility() : nullptr;
    if (!accessibility)
        return false;
    accessibility->setActive(on);
    return QAccessible::isActive() == on;
}

}  // namespace quillet::test
