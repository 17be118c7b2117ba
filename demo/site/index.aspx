<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<meta charset="utf-8">
<title>BrindleQorvane 登录</title>
<style>
html, body { margin: 0; padding: 0; width: 748px; height: 456px; overflow: hidden; }
body { font-family: "Microsoft YaHei", "WenQuanYi Micro Hei", sans-serif; font-size: 14px;
       color: #1d2a3a; background: #eef3fa; }
#panel { position: absolute; left: 214px; top: 70px; width: 320px; padding: 24px 28px;
         background: #ffffff; border: 1px solid #c5d3e6; }
h1 { margin: 0 0 18px; font-size: 22px; color: #165eaa; }
label { display: block; margin: 10px 0 4px; }
input { width: 306px; height: 26px; padding: 2px 6px; border: 1px solid #9fb4d0; font-size: 14px; }
#login { margin-top: 18px; width: 320px; height: 36px; border: 0; background: #1f6fc5;
         color: #fff; font-size: 16px; cursor: pointer; }
#message { height: 18px; margin-top: 8px; color: #b03020; }
#links { position: absolute; right: 16px; top: 12px; }
#links a { margin-left: 12px; color: #165eaa; }
</style>
</head>
<body>
<div id="links"><a id="minimize" href="app://minimize">最小化</a><a id="exit" href="app://exitgame">退出</a></div>
<div id="panel">
  <h1>BrindleQorvane</h1>
  <form id="form" action="#" onsubmit="return false;">
    <label for="account">帐号</label>
    <input id="account" name="account" type="text" maxlength="32">
    <label for="password">密码</label>
    <input id="password" name="password" type="password" maxlength="32">
    <button id="login" type="submit">登录游戏</button>
    <div id="message"></div>
  </form>
</div>
<script>
// The demo takes any account: the client opens the game at the address it is handed.
(function () {
  var form = document.getElementById("form");
  function gameAddress() {
    return location.protocol + "//" + location.host + "/game/";
  }
  function login() {
    var account = document.getElementById("account").value;
    if (!account.replace(/\s+/g, "")) {
      document.getElementById("message").innerHTML = "请输入帐号";
      document.getElementById("account").focus();
      return false;
    }
    location.href = "app://loadgame|" + gameAddress();
    return false;
  }
  form.onsubmit = login;
  document.getElementById("account").focus();
})();
</script>
</body>
</html>
