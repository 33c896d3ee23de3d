/* The ids and the language of Setup.exe's own resources: the one definition
   that the resource script, the launcher and the publisher tools all use.
   Plain #defines, as the resource compiler reads this file too. */
#ifndef RESOURCES_RESOURCE_IDS_H
#define RESOURCES_RESOURCE_IDS_H

/* Every resource of Setup.exe is in Chinese (Traditional, Taiwan), 0x0404:
   the primary language, then the sublanguage. */
#define SETUP_LANGUAGE_PRIMARY 0x04
#define SETUP_LANGUAGE_SUB 0x01

/* The string that holds the package base name. */
#define IDS_PACKAGE_BASE_NAME 101
/* The icon group: the first, and so the one the shell shows for the file. */
#define IDI_SETUP 128
/* The version block, and the application manifest (Windows reads an
   executable's manifest from id 1 only). */
#define IDV_SETUP 1
#define IDM_SETUP 1

#endif
