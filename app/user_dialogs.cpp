#include "app/user_dialogs.h"

#include <QMessageBox>

#include "framework/Exceptions.h"

namespace capspect {
bool TMessageBoxDialogs::Confirm(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void TMessageBoxDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, FApplicationCaption, text, QMessageBox::Ok, parent);
    box.exec();
}

void TMessageBoxDialogs::ShowException(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, FApplicationCaption, ExceptionBoxText(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

QString ExceptionMessage(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Exception*>(&error)) {
        return QString::fromStdU16String(own->Message());
    }
    return QString::fromUtf8(error.what());
}

QString ExceptionBoxText(const QString& message) {
    if (message.isEmpty() || message.back() <= QChar(u'.')) {
        return message;
    }
    return message + u'.';
}

}  // namespace capspect
