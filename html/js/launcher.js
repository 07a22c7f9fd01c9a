// What the launcher tells its local pages. Every call the launcher makes in
// a page is kept in launcherCalls (name, arguments, time in ms), so the page
// can show it and a test can read it.
var launcherCalls = [];

function keepLauncherCall(name, args) {
  launcherCalls.push({ name: name, args: Array.prototype.slice.call(args), at: new Date().getTime() });
}

function showState(text) {
  var state = document.getElementById('state');
  if (state) state.textContent = state.innerText = text;
}

// notifyGameID(gameId, installed, inMyList, needUpdate, mode, status)
function notifyGameID(gameId, installed, inMyList, needUpdate, mode, status) {
  keepLauncherCall('notifyGameID', arguments);
  showState(installed ? (needUpdate ? '可更新' : '已安装') : '未安装');
}

// gameIsLoad(installed, gameId)
function gameIsLoad(installed, gameId) {
  keepLauncherCall('gameIsLoad', arguments);
}

// updateServerPing(milliseconds), -1 when the server did not answer
function updateServerPing(ms) {
  keepLauncherCall('updateServerPing', arguments);
}

// onQuerySystemInfo(info)
function onQuerySystemInfo(info) {
  keepLauncherCall('onQuerySystemInfo', arguments);
}

// submitSearch(text, mode)
function submitSearch(text, mode) {
  keepLauncherCall('submitSearch', arguments);
  document.title = '搜索：' + text;
  showState(text ? '正在搜索“' + text + '”' : '请输入游戏名称');
}
