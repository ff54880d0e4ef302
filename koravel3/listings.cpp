#include "koravel3.h"
#include "ui_koravel3.h"

void Koravel3::on_LER_textChanged(const QString &) {}
void Koravel3::on_pushButton_7_clicked() {}
void Koravel3::on_tableView_pressed(const QModelIndex &) {}
void Koravel3::on_tableView_2_pressed(const QModelIndex &) {}
void Koravel3::on_tableView_2_clicked(const QModelIndex &) {}
void Koravel3::on_comboBox_3_currentIndexChanged(int) {}
void Koravel3::on_toolButton_clicked() {}
void Koravel3::on_pushButton_5_clicked() {}
void Koravel3::on_pushButton_6_clicked() {}
void Koravel3::on_pushButton_10_clicked() {}
