@echo off
rem Installs Tarnwick for the current user from this folder: tells the automation bridge where
rem the program is, and registers the bridge so that scripts can create "Hollin.Quorvel".
setlocal
set "here=%~dp0"
if not exist "%here%drovane.exe" (
    echo install: drovane.exe is not beside this script.
    exit /b 1
)
reg add "HKCU\Software\Drovane" /v AppName /t REG_SZ /d "%here%drovane.exe" /f >nul
if errorlevel 1 (
    echo install: the program path could not be written to the registry.
    exit /b 1
)
regsvr32 /s "%here%Hollin.dll"
if errorlevel 1 (
    echo install: Hollin.dll could not be registered.
    exit /b 1
)
echo Tarnwick is installed in %here%
exit /b 0
