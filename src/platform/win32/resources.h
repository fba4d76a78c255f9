/* Numbers of the files tonegen.exe carries as RCDATA resources; read by the
   resource compiler (tonegen.rc) and by win32_assets.cpp. */
#pragma once

#define TONEGEN_SWEEP_RESOURCE 101
#define TONEGEN_PINK_RESOURCE 102
#define TONEGEN_ABOUT_PICTURE_RESOURCE 103
#define TONEGEN_ABOUT_PICTURE_2X_RESOURCE 104
