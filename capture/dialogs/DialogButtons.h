#pragma once
class QDialog;
class QDialogButtonBox;

// OK and Cancel with Catalan texts (Qt's own translations are not installed everywhere),
// wired to the dialog's accept() and reject().
QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog);
