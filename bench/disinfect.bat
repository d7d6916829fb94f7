@echo off
rem What a user would run instead of Torvexa: the same targets, by the system's own commands.
taskkill /F /IM moniker.exe >nul 2>&1
taskkill /F /IM syslray.exe >nul 2>&1
reg delete "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run" /v realone_nt2003 /f >nul 2>&1
reg delete "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run" /v realone_nt2004 /f >nul 2>&1
del /f C:\windows\system32\MONIKER.exe >nul 2>&1
del /f C:\windows\system32\SYSLRAY.exe >nul 2>&1
del /f C:\windows\system32\HKT1.dll >nul 2>&1
