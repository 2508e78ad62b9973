#pragma once
// Reading and writing the names that stand for enumerators in workspace and list files, and the
// translation context those readers share. Pure functions: any thread may call them.

#include <QCoreApplication>
#include <QJsonValue>
#include <QLatin1String>

#include <array>
#include <cstddef>
#include <optional>

namespace quillet::pages {

// The position of `value` among `names`, or nothing when it is not a string or not listed.
template <std::size_t N>
std::optional<int> IndexOf(const std::array<const char*, N>& names, const QJsonValue& value) {
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    for (std::size_t i = 0; i < N; ++i)
        if (text == QLatin1String(names[i]))
            return static_cast<int>(i);
    return std::nullopt;
}

template <std::size_t N>
QLatin1String NameOf(const std::array<const char*, N>& names, int index) {
    return QLatin1String(names.at(static_cast<std::size_t>(index)));
}

// The texts of the workspace reader and of the readers it calls, in one translation context.
class WorkspaceTexts {
    Q_DECLARE_TR_FUNCTIONS(quillet::pages::Workspace)
};

}  // namespace quillet::pages
