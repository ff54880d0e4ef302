#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::on_pushButton_11_pressed() {}
void Koravel3::on_pushButton_12_pressed() {}
void Koravel3::on_pushButton_13_pressed() {}
void Koravel3::on_dateEdit_userDateChanged(const QDate &) {}
void Koravel3::on_dateEdit_2_userDateChanged(const QDate &) {}
void Koravel3::on_pushButton_14_pressed() {}
void Koravel3::on_pushButton_14_released() {}
void Koravel3::on_pushButton_16_clicked() {}
