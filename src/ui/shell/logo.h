#pragma once

#include <QPixmap>

// The product logo, drawn rather than shipped as a file.
QPixmap talvekLogo(int size);
