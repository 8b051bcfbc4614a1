#include "ui/help_texts.h"

#include <map>

#include "ui/qt_text.h"

namespace pontavi {

namespace {

const std::map<int, const char*>& descriptions() {
    static const std::map<int, const char*> texts = {
        {100, "Keeps the Pontavi window above the windows of other programs."},
        {101, "Sets the system clock from your time servers each time you connect."},
        {102, "Puts your IP address on the clipboard each time you connect."},
        {103, "Puts the result of every successful DNS lookup on the clipboard."},
        {104, "Checks your mailboxes while you are on line and tells you about new mail."},
        {105, "Opens the mail settings: mail servers, check interval, sound and mail program."},
        {106,
         "How many seconds Pontavi waits between starting two programs of the "
         "Auto-Launch list."},
        {107, "Shows this window when Pontavi starts, instead of only the tray icon."},
        {108, "The page this window opens on each time it is shown."},
        {109, "Starts Pontavi when you log in to your desktop."},
        {110, "Shows the Messages page when new mail arrives."},
        {111, "Plays a sound when new mail arrives."},
        {112, "Starts your mail program when new mail arrives."},
        {113, "How often, in minutes, the mailboxes are checked while you are on line."},
        {114, "The name or address of the POP3 mail server."},
        {115, "The user name of the mailbox."},
        {116, "The password of the mailbox."},
        {117, "Chooses the mail program to start."},
        {672,
         "How the connection to the mailbox is protected. None: clear text on port 110. "
         "TLS: encrypted from the start (POP3S), port 995. STARTTLS: port 110, encrypted "
         "with STLS before the user name and password are sent. TLS and STARTTLS check the "
         "server's certificate; for another port write the server as name:port."},
        {120, "The programs started one after another after you connect, in this order."},
        {121, "Adds a program to the end of the list."},
        {122, "Moves the selected program one place up (also Ctrl+Up)."},
        {123, "Moves the selected program one place down (also Ctrl+Down)."},
        {124, "Removes the selected program from the list."},
        {130, "The time servers asked for the time, in this order, until one answers."},
        {131, "Adds a time server to the end of the list."},
        {132, "Moves the selected time server one place up (also Ctrl+Up)."},
        {133, "Moves the selected time server one place down (also Ctrl+Down)."},
        {134, "Removes the selected time server from the list."},
        {140, "The messages waiting in your mailboxes: sender, subject and mailbox."},
        {141, "Starts your mail program."},
        {142, "Checks all your mailboxes now."},
        {143, "What the mail checker is doing, and when it last checked."},
        {150,
         "When checked, every Ident reply gives the first ident of your list; "
         "otherwise the idents are given in turn."},
        {151, "The ident the next reply will give. You may type another one."},
        {152, "Every Ident query received and the reply sent to it."},
        {160, "Type a host name to find its address, or an address to find its name."},
        {161, "The answer of the last lookup."},
        {162, "Looks up the name or address typed above."},
        {170, "Your idents, one per line. The first line is the first ident."},
        {180, "The name shown for the program in the list (at most 30 characters)."},
        {181, "The full path of the program to start."},
        {182, "The parameters passed to the program."},
        {183, "How the program's window opens: normal, minimized or maximized."},
        {200, "How long the current connection has lasted."},
        {201, "The total time spent on line since the total was last reset."},
        {202, "Sets the total time back to zero and records today's date."},
        {203, "Sets the session time back to zero."},
        {211, "Adds an address you type to the top of the list."},
        {212, "Finds the next address that contains the text you type."},
        {213, "Copies the selected addresses to the clipboard."},
        {214, "Opens the first selected address in your web browser."},
        {215, "Removes the selected addresses."},
        {216, "Every web or FTP address copied to the clipboard, newest first."},
    };
    return texts;
}

}  // namespace

QString whatsThisText(int helpContext, const std::string& hint) {
    QString text;
    if (auto it = descriptions().find(helpContext); it != descriptions().end()) {
        text = QString::fromUtf8(it->second);
    } else if (helpContext != 0) {
        text = QStringLiteral("Help topic %1").arg(helpContext);
    }
    if (!hint.empty() && toQt(hint) != text) {
        text += text.isEmpty() ? toQt(hint) : QStringLiteral("\n\n") + toQt(hint);
    }
    return text;
}

}  // namespace pontavi
