#include "app/layout.h"

#include "app/dpi_scale.h"

namespace app::layout {

int SystemDpi() { return dpi::System(); }

}  // namespace app::layout
