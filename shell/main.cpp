// Quillet: a socket test tool. No command-line options, no configuration, no saved state.
#include <clocale>

#include <QApplication>

#include "shell/chat_app.h"

int main(int argc, char** argv) {
    // Wire text in the locale's character set until the user picks another encoding.
    std::setlocale(LC_ALL, "");
    QApplication app(argc, argv);
    quillet::shell::CChatApp chat;
    return chat.Run(app);
}
