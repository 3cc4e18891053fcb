// File-system services: text files.
#pragma once

#include "zel/filesys/textfiles.h"
#include "zel/filesys/numtext.h"
#include "zel/filesys/registry.h"
#include "zel/filesys/sysinfo.h"
