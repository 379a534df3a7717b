#include "richtext/CorvaneConfig.h"

CorvaneConfig g_corvaneConfig;

void ConfigureCorvaneForHelp() {
  g_corvaneConfig.helpMode = 1;
  g_corvaneConfig.extraLineSpacing = 6.0f;
}
