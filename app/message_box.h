#pragma once

#include <QMessageBox>

#include <memory>
#include <string>

// The program's own message box: no owner window, the program's title as its
// caption, icon and buttons from the style bits of MessageStyle.
std::unique_ptr<QMessageBox> MakeMessageBox(const std::string& text, unsigned style);

// The MessageAnswer code for the button that closed a box.
int MessageAnswerFor(QMessageBox::StandardButton button);
