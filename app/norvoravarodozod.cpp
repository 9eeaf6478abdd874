#include "norvoravarodozod.h"

#include "activedomainobject.h"

NorvoRavaRodozod::NorvoRavaRodozod(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(productTitle());
}

NorvoRavaRodozod::~NorvoRavaRodozod() = default;
