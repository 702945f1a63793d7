@echo off
rem Runs GetSessionLevel.exe once and hands its result to the calling script:
rem
rem   set "SESSION_LEVEL=" & set "SESSION_ERROR="
rem   call "%ProgramFiles(x86)%\GetSessionLevel\examples\SessionLevel.cmd"
rem   if defined SESSION_LEVEL (echo level %SESSION_LEVEL%) else echo no level: %SESSION_ERROR%
rem
rem (on 32-bit Windows the folder is %ProgramFiles%\GetSessionLevel). With the variables cleared
rem first and SESSION_LEVEL tested, a call that did not run, for a wrong path, reads as a
rem failure, never as a level.
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
rem The tool is the one given as the first argument (with or without quotes), otherwise the one
rem in the folder above this script's own, as installed. Nothing in the environment chooses it:
rem any user can set a variable that a logon script would then trust.
setlocal EnableExtensions DisableDelayedExpansion
set "tool=%~1"
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
