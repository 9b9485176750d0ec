#include "VoiceFileInfo.h"
