// Every header of Qt Widgets includes this one first. Only ui/ may use widgets; the
// libraries below it find this file before Qt's.
#error "Qt Widgets belong to ui/: this library lies below it and must not include a widget header"
