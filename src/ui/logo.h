#pragma once

#include <QPixmap>

// The program's picture: a folded map with a route and a waypoint pin,
// painted at the given size (pixels, square).
QPixmap WayfoldLogo(int size);
