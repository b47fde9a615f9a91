#pragma once

#include "ui/editing/editingwindow.h"

// "7. 金融機購代碼檔維護": the institution code table VXBANK of BRANCH.mdb in the editing
// window. Codes are not kept unique here, and a modify may change a row's code.
class InstitutionWindow : public EditingWindow {
    Q_OBJECT
public:
    explicit InstitutionWindow(AppContext &context, QWidget *parent = nullptr);

protected:
    bool validate() override;
};
