#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::on_CBG_textActivated(const QString &) {}
void Koravel3::on_CBNM_activated(int) {}
void Koravel3::on_CBTL_currentTextChanged(const QString &) {}
void Koravel3::on_CBP_activated(int) {}
void Koravel3::on_CBNM_currentIndexChanged(int) {}
void Koravel3::on_PBC_clicked() {}
void Koravel3::on_pushButton_9_clicked() {}
