/* Resources of the framework, shared by the resource script and the code: its icons and its
   image pack. Plain macros: the resource compiler reads this file too. */
#pragma once

#define AF_ICON_DROP_DOWN 0x6D
#define AF_ICON_CLOSE 0x69
#define AF_ICON_SEARCH 0x7F
#define AF_ICON_INFORMATION 0x86
#define AF_ICON_ERROR 0x87
#define AF_ICON_WARNING 0x88
#define AF_ICON_QUESTION 0x89
#define AF_ICON_BOOKMARK 0x8A
#define AF_ICON_DOCUMENT 0x93
#define AF_ICON_FOLDER 0x94
#define AF_ICON_ADD 0x9C
#define AF_ICON_REMOVE 0x9D
#define AF_ICON_BACK 0x9E
#define AF_ICON_PIN 0x9F
#define AF_ICON_FORWARD 0xA0
#define AF_ICON_CHECK 0xA1

/* The busy spinner's frames: set A 110-117, set B 118-125 (drawn). */
#define AF_ICON_SPINNER_A0 110
#define AF_ICON_SPINNER_A1 111
#define AF_ICON_SPINNER_A2 112
#define AF_ICON_SPINNER_A3 113
#define AF_ICON_SPINNER_A4 114
#define AF_ICON_SPINNER_A5 115
#define AF_ICON_SPINNER_A6 116
#define AF_ICON_SPINNER_A7 117
#define AF_ICON_SPINNER_B0 118
#define AF_ICON_SPINNER_B1 119
#define AF_ICON_SPINNER_B2 120
#define AF_ICON_SPINNER_B3 121
#define AF_ICON_SPINNER_B4 122
#define AF_ICON_SPINNER_B5 123
#define AF_ICON_SPINNER_B6 124
#define AF_ICON_SPINNER_B7 125

#define AF_IMAGE_PACK 175
