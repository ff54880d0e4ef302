#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::on_pushButton_3_pressed() {}
void Koravel3::on_pushButton_3_released() {}
void Koravel3::on_pushButton_18_clicked() {}
void Koravel3::on_pushButton_17_clicked() {}
