#include "net/net_error.h"

#include "platform/sjis.h"

namespace ks::net {

const std::string& net_error_message(int code) {
  static const std::string kNone;
  switch (code) {
    case kNetOk:
      return kNone;
    case kNetTimeout:
      return KS_SJ("通信タイムアウト");
    case kNetNoUrl:
      return KS_SJ("URL未設定");
    case kNetLookupFailed:
      return KS_SJ("サーバIPアドレス取得失敗");
    case kNetSocketFailed:
      return KS_SJ("ソケット作成失敗");
    case kNetConnectFailed:
      return KS_SJ("サーバへの接続失敗");
    case kNetReceiveFailed:
      return KS_SJ("HTTP受信エラー");
    case kNetResponseTooLarge:
      return KS_SJ("受信データが大きすぎます");
    case kNetBrowserComponent:
      return KS_SJ("IEコンポーネントエラー");
    case kNetWebDriver:
      return KS_SJ("Webdriverエラー");
    case kNetUnsafeLegacyRenegotiation:
      return KS_SJ("unsafe legacy renegotiation");
    default:
      return KS_SJ("通信エラー");
  }
}

}  // namespace ks::net
