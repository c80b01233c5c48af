#include "exif/info_text.h"

void buildInfoText(ByteView, char (&text)[TextBufferSize]) { text[0] = '\0'; }
