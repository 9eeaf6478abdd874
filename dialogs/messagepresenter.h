#pragma once

#include "messagehelper.h"

#include <QMessageBox>

// Makes every question and notice of the program a real modal QMessageBox. The window calls
// it first thing; so does any widget program that drives the storage classes without it.
void installWidgetMessagePresenter();

// The box icon of a message kind.
QMessageBox::Icon messageBoxIcon(MessageIcon icon);
