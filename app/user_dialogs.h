// The questions and messages the main window puts to the user. The window asks through
// this interface so that tests can answer instead of a person.
#pragma once

#include <QString>

#include <exception>
#include <utility>

class QWidget;

namespace capspect {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A confirmation with the buttons Yes and No; true for Yes.
    virtual bool Confirm(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A plain message with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // The error box for an exception that reached the window.
    virtual void ShowException(QWidget* parent, const QString& text) = 0;
};

// The dialogs as message boxes of the desktop. Boxes without a caption of their own take
// the application's.
class MessageBoxDialogs : public UserDialogs {
public:
    explicit MessageBoxDialogs(QString applicationCaption)
        : applicationCaption_(std::move(applicationCaption)) {}

    bool Confirm(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowException(QWidget* parent, const QString& text) override;

private:
    QString applicationCaption_;
};

}  // namespace capspect
