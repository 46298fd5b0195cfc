#pragma once

#include <QMessageBox>

#include <memory>
#include <string>

#include "options/ui_services.h"

// The program's own message box: no owner window, the program's title as its
// caption, icon and buttons from the style bits of MessageStyle.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, MessageStyle style);

// The MessageAnswer code for the button that closed a box.
MessageAnswer MessageAnswerFor(QMessageBox::StandardButton button);
