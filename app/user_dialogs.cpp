#include "app/user_dialogs.h"

#include <QMessageBox>

#include "framework/Exceptions.h"

namespace capspect {
bool MessageBoxDialogs::Confirm(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxDialogs::ShowMessage(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationCaption_, text, QMessageBox::Ok, parent);
    box.exec();
}

void MessageBoxDialogs::ShowException(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, applicationCaption_,
                    QString::fromStdU16String(ExceptionBoxText(text.toStdU16String())),
                    QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace capspect
