// File-system services: text files, paths, files and directories, drives.
#pragma once

#include "zel/filesys/drives.h"
#include "zel/filesys/files.h"
#include "zel/filesys/paths.h"
#include "zel/filesys/textfiles.h"
#include "zel/filesys/numtext.h"
#include "zel/filesys/registry.h"
#include "zel/filesys/savedialog.h"
#include "zel/filesys/sysinfo.h"
