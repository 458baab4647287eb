@echo off
rem Undoes install.cmd: unregisters the automation bridge and forgets the program path.
rem The downloaded movies and the program's settings stay where they are.
setlocal
set "here=%~dp0"
regsvr32 /u /s "%here%Hollin.dll"
reg delete "HKCU\Software\Drovane" /v AppName /f >nul 2>&1
echo Tarnwick is uninstalled.
exit /b 0
