// Resource identifiers shared by the program's resource script and its windows.
#pragma once

#define IDI_VANTORILE 1
#define IDI_GRADE1 11
#define IDI_GRADE2 12
#define IDI_GRADE3 13
#define IDI_GRADE4 14
#define IDI_TB_PROCESSI 21
#define IDI_TB_AVVIO 22
#define IDI_TB_GUIDA 23
#define IDB_LOGO 31
