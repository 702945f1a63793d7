@echo off
rem Runs GetSessionLevel.exe once and hands its result to the calling script:
rem
rem   call SessionLevel.cmd
rem   if defined SESSION_ERROR (echo no level: %SESSION_ERROR%) else echo level %SESSION_LEVEL%
rem
rem It sets for the caller
rem   SESSION_LEVEL   the session level as the tool printed it (a signed decimal number:
rem                   levels of 0x80000000 and above are negative); empty after a failure
rem   SESSION_ERROR   the failure code as the tool printed it, e.g. 0xE601000D; empty after
rem                   success
rem and exits with the level, or with the failure code (as a signed number). The tool's own exit
rem code is 0 for a session of level 0 and for every failure alike: only its line tells them
rem apart, so this script reads the line. Test the variables, not "if errorlevel N", which is
rem false for negative values.
rem
rem The tool is taken from GETSESSIONLEVEL_EXE when set, otherwise from the folder above this
rem script's own, as installed.
setlocal
set "tool=%GETSESSIONLEVEL_EXE%"
if not defined tool set "tool=%~dp0..\GetSessionLevel.exe"
set "level="
set "error="
if not exist "%tool%" (
    set "error=0x00000002"
    goto done
)

set "line=(none)"
rem for /f hands the command to "cmd /c", which would strip the quotes from a path with
rem parentheses such as "Program Files (x86)" if the command began with them: hence "call".
for /f "delims=" %%L in ('call "%tool%"') do set "line=%%L"
if "%line:~0,27%"=="The current session level: " set "level=%line:~27%"
if "%line:~0,45%"=="Impossible to get the current session level: " set "error=%line:~45,10%"
rem Neither line: nothing the tool would print, so no level either.
if not defined level if not defined error set "error=0x0000000D"

:done
if defined error (set /a "status=%error%") else set "status=%level%"
endlocal & set "SESSION_LEVEL=%level%" & set "SESSION_ERROR=%error%" & exit /b %status%
