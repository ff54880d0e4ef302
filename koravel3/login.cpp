#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::on_pushButton_c_clicked() {}
void Koravel3::on_lineEdit_passw_2_returnPressed() {}
